# Thin wrapper around CMake: `make run` builds and runs the packager (its
# files land in build/bin beside the executable), `make test` builds and runs
# every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= 2

.PHONY: all configure build run test clean windows windows-test windows-screenshot

all: build

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	$(BUILD_DIR)/bin/packager

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

# Windows: 32-bit (i686, the target of the packager's users) and 64-bit
# (x86_64, the one this machine's Wine can run), both cross-built with
# MinGW-w64 as static GUI programs. The scenario generator of the native
# build embeds the scenario for both.
WINDOWS_ARCHS = i686 x86_64

windows: build
	for arch in $(WINDOWS_ARCHS); do \
	  cmake -S . -B build-windows-$$arch -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-$$arch.cmake \
	    -DEMBED_SCENARIO_TOOL=$(abspath $(BUILD_DIR))/tools/embed_scenario $(CMAKE_FLAGS) && \
	  cmake --build build-windows-$$arch --parallel $(JOBS) || exit 1; \
	done

windows-test: windows
	bash tests/windows/check_win32.sh build-windows-i686/bin/packager.exe
	bash tests/windows/wine_test.sh build-windows-x86_64/bin $(BUILD_DIR)/bin

windows-screenshot: windows
	bash tests/windows/wine_test.sh build-windows-x86_64/bin $(BUILD_DIR)/bin docs/wait_window.png

clean:
	rm -rf $(BUILD_DIR) build-windows-i686 build-windows-x86_64
