# Top-level entry points. Everything builds into build/ (executables in build/bin/).
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
JOBS ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all setup configure build test demo install install-udev-rule package package-check windows windows-test fuzz soak bench \
	coverage format format-check clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCORVANE_SANITIZE="$(SANITIZE)" >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The main job: the example download list onto the virtual projector, with
# verification and USB full-speed timing. Settings stay inside the build tree.
demo: build
	@$(BUILD_DIR)/bin/corvane-cli download --simulate --sim-pace --verify \
		--settings $(BUILD_DIR)/demo-settings.reg examples/demo.dld

# Installs into the configured prefix (/usr/local unless set), through sudo
# when that is not writable, and has a running udev apply the projector's rule.
install: build
	@BUILD_DIR=$(BUILD_DIR) scripts/install.sh

# Only the udev rule that gives the local user access to a projector.
install-udev-rule: configure
	@BUILD_DIR=$(BUILD_DIR) INSTALL_COMPONENT=udev-rule scripts/install.sh

# The Debian package $(BUILD_DIR)/corvane_<version>_<arch>.deb: only what it
# carries is built.
package: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target corvane corvane-cli corvane_man_page
	@cd $(BUILD_DIR) && cpack -G DEB

# The package's contents, fields and udev rule, and its programs run from it.
package-check: package
	@BUILD_DIR=$(BUILD_DIR) scripts/package-check.sh

# The Windows deliverables, cross-built with mingw-w64 for 32-bit x86.
WINDOWS_BUILD_DIR ?= build-windows
windows: setup
	@WINDOWS_BUILD_DIR=$(WINDOWS_BUILD_DIR) JOBS=$(JOBS) scripts/windows.sh

# The same sources built for x86_64 Windows and tested under Wine.
windows-test: setup
	@JOBS=$(JOBS) scripts/windows-test.sh

# libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer),
# each run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
FUZZ_BUILD_DIR ?= build-fuzz
fuzz: setup
	@FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_BUILD_DIR=$(FUZZ_BUILD_DIR) JOBS=$(JOBS) scripts/fuzz.sh

# Seeded fault-injection sessions over the hosted driver and virtual projector.
SOAK_RUNS ?= 300
soak: build
	@SOAK_RUNS=$(SOAK_RUNS) BUILD_DIR=$(BUILD_DIR) scripts/soak.sh

# Benchmarks; writes docs/benchmarks.md. BENCH_BUILD_ONLY=1 only builds them.
bench: setup
	@BENCH_BUILD_ONLY=$(BENCH_BUILD_ONLY) JOBS=$(JOBS) scripts/bench.sh

# Line and branch coverage per folder by the whole test suite (build-coverage/).
coverage: setup
	@JOBS=$(JOBS) scripts/coverage.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

clean:
	@rm -rf $(BUILD_DIR)
