# Thin wrapper over CMake presets: `make`, `make test`, `make run`.
BUILD_DIR ?= build
# The Windows build (MinGW-w64): make windows.
WIN_BUILD_DIR ?= build-windows
# cmake's own make must not inherit ours (it would print directory changes).
unexport MAKEFLAGS
# CI sets CI=true: warnings become errors there.
PRESET ?= $(if $(CI),ci,default)

.PHONY: all deps configure build test run asan tsan clean screenshots vm-test deb wayland-test fuzz \
	format check-format tidy windows windows-configure windows-ornyxctl windows-trace windows-test \
	vm-test-windows windows-desktop-test windows-installer windows-installer-test qt-windows

all: build

deps:
	@./scripts/install-deps

# In CI every build folder is configured from its preset again, with warnings
# as errors, whatever a stale cache holds (scripts/configure).
configure:
	@./scripts/configure $(PRESET) $(BUILD_DIR)

build: configure
	@cmake --build $(BUILD_DIR) -j2

test: deps build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

# Only what it runs: the two programs, their default files and skins.
run: deps configure
	@cmake --build $(BUILD_DIR) -j2 --target ornyx-mouse ornyxctl ornyx_defaults ornyx_skins -- --no-print-directory
	@./scripts/run

asan:
	@$(MAKE) --no-print-directory test BUILD_DIR=build-asan PRESET=asan

# Every test binary whose code starts threads, whole, under ThreadSanitizer:
# the core (event reader, plug and unplug, the simulated mouse), the hidraw
# backend, and ornyxctl (itself built with ThreadSanitizer) through the CLI tests.
# GLib, which ornyxctl's session bus client uses, is not instrumented: its
# reports are suppressed (tests/tsan-suppressions.txt).
# The desktop program is not built here: the two CLI tests that start it run
# in make test and make asan.
TSAN_TESTS ?= ornyx_core_tests ornyx_hidraw_tests ornyx_cli_tests
TSAN_SKIP = CliPosixTest.ScreenshotRunWhileAnotherInstanceRuns:CliPosixTest.DesktopScreenshotRunNeverWaitsForAClick
tsan: deps
	@./scripts/configure tsan build-tsan
	@cmake --build build-tsan -j2 --target $(TSAN_TESTS) -- --no-print-directory
	@for t in $(TSAN_TESTS); do \
	  echo "tsan: $$t"; \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan-suppressions.txt $$TSAN_OPTIONS" \
	    build-tsan/bin/$$t --gtest_brief=1 --gtest_filter=-$(TSAN_SKIP) || exit 1; \
	done

# Both pages and every pop-up in each language, lists open, into docs/screenshots;
# both pages again on a screen scaled by 2 (the @2x skins) into docs/screenshots/2x.
screenshots: configure
	@cmake --build $(BUILD_DIR) -j2 --target ornyx-screenshots ornyx_skins
	@$(BUILD_DIR)/bin/ornyx-screenshots docs/screenshots
	@rm -rf $(BUILD_DIR)/screenshots-2x && mkdir -p docs/screenshots/2x
	@QT_SCALE_FACTOR=2 $(BUILD_DIR)/bin/ornyx-screenshots $(BUILD_DIR)/screenshots-2x >/dev/null
	@for l in en chs cht tur; do cp $(BUILD_DIR)/screenshots-2x/basic-$$l.png $(BUILD_DIR)/screenshots-2x/advanced-$$l.png docs/screenshots/2x/; done

# The INI layer compared operation by operation with the system's own profile
# functions: a Windows program under Wine (fresh prefix inside the build folder).
ini-oracle: deps
	@$(if $(CI),,test -f $(BUILD_DIR)/ini-oracle/CMakeCache.txt ||) cmake -S tests/ini-oracle -B $(BUILD_DIR)/ini-oracle $(if $(CI),-DORNYX_WERROR=ON) >/dev/null
	@cmake --build $(BUILD_DIR)/ini-oracle -j2
	@ctest --test-dir $(BUILD_DIR)/ini-oracle --output-on-failure

# The device tests on a real kernel: QEMU boots Debian's kernel over this
# machine's root, with the uhid virtual mouse giving real hidraw nodes.
vm-test: deps configure
	@cmake --build $(BUILD_DIR) -j2 --target ornyxctl ornyx-virtual-mouse ornyx_vm_gui_tests ornyx_hidraw_tests \
	  ornyx_skins ornyx_defaults
	@./scripts/vm-test $(BUILD_DIR)

# The same, then ornyxctl.exe there under Wine, whose HID stack reaches the
# same nodes (what CI runs). A re-plug inside one running listen is tried
# under Wine and reported, not required: Wine's bus does not follow it reliably.
# Where the Windows build has ornyx-mouse.exe (Qt for Windows built), its start
# on the virtual mouse is checked too.
vm-test-windows: deps configure windows-ornyxctl
	@cmake --build $(BUILD_DIR) -j2 --target ornyxctl ornyx-virtual-mouse ornyx_vm_gui_tests ornyx_hidraw_tests \
	  ornyx_skins ornyx_defaults ornyx-mouse
	@./scripts/vm-test $(BUILD_DIR) $(WIN_BUILD_DIR)

# The program under a headless Weston with Qt's wayland platform.
wayland-test: deps build
	@./scripts/wayland-smoke $(BUILD_DIR)/bin

# A Debian package of the installed layout, from a release build of its own;
# then lintian on it. The packaging tools come from scripts/install-deb-deps.
deb: deps
	@./scripts/install-deb-deps
	@test -f build-deb/CMakeCache.txt || cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_INSTALL_PREFIX=/usr -DORNYX_BUILD_TESTS=OFF -DORNYX_BUILD_BENCH=OFF -DORNYX_DEBIAN=ON >/dev/null
	@cmake --build build-deb -j2 -- --no-print-directory
	@cd build-deb && cpack -G DEB >/dev/null
	@ls build-deb/*.deb
	@lintian --fail-on error --suppress-tags-from-file packaging/debian/lintian-accepted build-deb/*.deb

# Each libFuzzer harness for FUZZ_SECONDS (clang, address and undefined sanitizers).
FUZZ_SECONDS ?= 60
fuzz: deps
	@./fuzz/run $(FUZZ_SECONDS)

# The core, ornyxctl and the desktop program for Windows, cross-built with
# MinGW-w64 into build-windows/bin (ornyxctl.exe, ornyx-mouse.exe with the Qt
# DLLs and plugins, skins and default files, and the test suites
# ornyx_*_tests.exe; the C++ runtime is linked in). The desktop program needs
# Qt for Windows, built once by make qt-windows (about 20 minutes,
# then cached): without it this fails and says so, unless WINDOWS_DESKTOP=OFF
# asks for the core and ornyxctl only. Its skins, icon and default files are
# made by the host build's tools.
WIN_BUILD_DIR ?= build-windows
WINDOWS_DESKTOP ?= ON

# Qt for Windows from Debian's source of the host Qt (scripts/build-qt-windows):
# built once per machine into ~/.cache/ornyx-qt-windows, then nothing to do.
qt-windows: deps
	@./scripts/build-qt-windows

windows-configure: deps
	@if [ "$(WINDOWS_DESKTOP)" = ON ]; then \
	  qt=$$(./scripts/windows-qt-prefix) || exit 1; \
	  ./scripts/configure $(PRESET) $(BUILD_DIR) >/dev/null && \
	  cmake --build $(BUILD_DIR) -j2 --target skingen iconrender ornyxctl -- --no-print-directory >/dev/null && \
	  desktop="-DORNYX_QT_PREFIX=$$qt -DORNYX_HOST_BUILD=$(abspath $(BUILD_DIR))"; \
	else desktop="-DORNYX_QT_PREFIX="; fi; \
	cmake -S . -B $(WIN_BUILD_DIR) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORNYX_BUILD_BENCH=OFF $(if $(CI),-DORNYX_WERROR=ON) $$desktop >/dev/null

windows: windows-configure
	@cmake --build $(WIN_BUILD_DIR) -j2 -- --no-print-directory

# ornyxctl.exe alone, all that vm-test runs of the Windows build.
windows-ornyxctl: windows-configure
	@cmake --build $(WIN_BUILD_DIR) -j2 --target ornyxctl -- --no-print-directory

# Every test suite of the Windows build under Wine, in a fresh prefix in
# $(WIN_BUILD_DIR)/wine; the last line says how many passed and failed.
windows-test: windows
	@./scripts/run-windows-tests $(WIN_BUILD_DIR)

# ornyx-mouse.exe under Wine on Qt's offscreen platform: the Basic page in
# each language (screenshots in $(WIN_BUILD_DIR)/desktop-test/shots, beside the
# Linux program's) and the trace of its start against the Linux program's;
# then on Xvfb with the windows platform, a click on Apply against the Linux
# program's on xcb.
windows-desktop-test: windows
	@cmake --build $(BUILD_DIR) -j2 --target ornyx-mouse ornyxctl -- --no-print-directory
	@./scripts/windows-desktop-test $(BUILD_DIR)/bin $(WIN_BUILD_DIR)/bin $(WIN_BUILD_DIR)/desktop-test

# The installer, ornyx-mouse-<version>-setup.exe in $(WIN_BUILD_DIR) (NSIS),
# and its test under Wine: silent install, a screenshot of the installed
# program, a click on its Apply on Xvfb against the Linux program's, silent
# uninstall that keeps the user's files.
WIN_VERSION = $(shell grep -o '^project.OrnyxMouse VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
windows-installer: windows
	@./scripts/windows-installer $(WIN_BUILD_DIR) $(WIN_VERSION)

windows-installer-test: windows-installer
	@cmake --build $(BUILD_DIR) -j2 --target ornyx-mouse -- --no-print-directory
	@./scripts/windows-installer-test $(WIN_BUILD_DIR)/ornyx-mouse-$(WIN_VERSION)-setup.exe $(WIN_BUILD_DIR)/installer-test \
	  $(BUILD_DIR)/bin

# The apply trace and the files of ornyxctl.exe under Wine against the Linux
# build's, byte for byte, in a home under a folder with non-ASCII letters.
windows-trace: windows build
	@./scripts/compare-windows-trace $(BUILD_DIR)/bin/ornyxctl $(WIN_BUILD_DIR)/bin/ornyxctl.exe $(WIN_BUILD_DIR)/trace-compare

# The layout of every tracked C++ file (.clang-format): check it, or apply it.
check-format: deps
	@./scripts/check-format

format: deps
	@./scripts/check-format --fix

# clang-tidy's checks (.clang-tidy) over the core, from the build's compile commands.
tidy: deps configure
	@./scripts/tidy $(BUILD_DIR)

clean:
	@rm -rf build build-asan build-tsan build-deb build-fuzz
