# Thin wrapper over CMake presets: `make`, `make test`, `make run`.
BUILD_DIR ?= build
# cmake's own make must not inherit ours (it would print directory changes).
unexport MAKEFLAGS
# CI sets CI=true: warnings become errors there.
PRESET ?= $(if $(CI),ci,default)

.PHONY: all deps configure build test run asan tsan clean fuzz

all: build

deps:
	@./scripts/install-deps

configure:
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j2

test: deps build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

run: deps build
	@./scripts/run

asan:
	@$(MAKE) --no-print-directory test BUILD_DIR=build-asan PRESET=asan

# The threaded tests (event reader, plug and unplug) under ThreadSanitizer.
tsan: deps
	@test -f build-tsan/CMakeCache.txt || cmake --preset tsan >/dev/null
	@cmake --build build-tsan -j2 --target ornyx_core_tests
	@build-tsan/bin/ornyx_core_tests --gtest_filter='MouseConnectionTest.*:EventReaderTest.*:SimFaultTest.*'

# Each libFuzzer harness for FUZZ_SECONDS (clang, address and undefined sanitizers).
FUZZ_SECONDS ?= 60
fuzz: deps
	@./fuzz/run $(FUZZ_SECONDS)

clean:
	@rm -rf build build-asan build-tsan build-fuzz
