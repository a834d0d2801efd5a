# Thin wrapper over CMake presets: `make`, `make test`, `make run`.
BUILD_DIR ?= build
# cmake's own make must not inherit ours (it would print directory changes).
unexport MAKEFLAGS
# CI sets CI=true: warnings become errors there.
PRESET ?= $(if $(CI),ci,default)

.PHONY: all deps configure build test run asan tsan clean vm-test

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

# The device tests on a real kernel: QEMU boots Debian's kernel over this
# machine's root, with the uhid virtual mouse giving real hidraw nodes.
vm-test: deps configure
	@cmake --build $(BUILD_DIR) -j2 --target ornyxctl ornyx-virtual-mouse ornyx_vm_gui_tests ornyx_hidraw_tests
	@./scripts/vm-test $(BUILD_DIR)

clean:
	@rm -rf build build-asan build-tsan
