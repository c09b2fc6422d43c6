# Top-level entry points. Everything builds into build/ (executables in build/bin/).
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build test demo windows format format-check clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCORVANE_SANITIZE="$(SANITIZE)" >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The main job: the example download list onto the virtual projector, with
# verification and USB full-speed timing. Settings stay inside the build tree.
demo: build
	@$(BUILD_DIR)/bin/corvane-cli download --simulate --sim-pace --verify \
		--settings $(BUILD_DIR)/demo-settings.reg examples/demo.dld

# The Windows deliverables, cross-built with mingw-w64 for 32-bit x86.
WINDOWS_BUILD_DIR ?= build-windows
windows: setup
	@cmake -S driver -B $(WINDOWS_BUILD_DIR)/driver -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
	@cmake --build $(WINDOWS_BUILD_DIR)/driver -j $(JOBS)
	@echo "Windows deliverables in $(WINDOWS_BUILD_DIR)/driver: Dornik.sys Dornik.inf"

format:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

clean:
	@rm -rf $(BUILD_DIR)
