# Thin wrapper over CMake presets: `make`, `make test`, `make run`.
BUILD_DIR ?= build
# cmake's own make must not inherit ours (it would print directory changes).
unexport MAKEFLAGS
# CI sets CI=true: warnings become errors there.
PRESET ?= $(if $(CI),ci,default)

.PHONY: all deps configure build test run asan clean

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
	@$(BUILD_DIR)/bin/ornyxctl --simulate show

asan:
	@$(MAKE) --no-print-directory test BUILD_DIR=build-asan PRESET=asan

clean:
	@rm -rf build build-asan
