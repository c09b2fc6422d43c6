#!/usr/bin/env bash
# The Windows sources cross-built for x86_64 (this machine runs no 32-bit
# programs) with the tests, and run under Wine in a prefix inside the build
# folder: the portable test suite, the Win32 platform layer's tests,
# corvane-cli.exe --simulate end to end, Dornik.sys itself loaded by Wine's
# kernel over the emulated usbfs of the Linux build (tests/wine), then the
# dialog program's test if scripts/windows-gui-test.sh exists.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_TEST_BUILD_DIR:-build-windows-x64}
jobs=${JOBS:-2}

export WINEPREFIX="$PWD/$build/wine"
export WINEDEBUG=-all
# Wine's first start sets up the prefix (half a minute or more): once.
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$build"
  echo "windows-test: setting up the Wine prefix in $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi

# The driver's tests in Wine serve the projector through the Linux build's
# emulated usbfs and compare its flash with the Linux corvane-cli's.
linux_build=${BUILD_DIR:-build}
if [[ ! -f "$linux_build/CMakeCache.txt" ]]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target corvane-usbfs corvane-cli
linux_bin=$(cd "$linux_build/bin" && pwd)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_TESTS=ON \
  -DCORVANE_LINUX_BIN="$linux_bin" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" -j "$jobs"
# One Wine server for the whole run, so that no test starts while the server
# of the one before winds down. Wine's services start with the session's
# first program and keep its output open: that is this one, not a test
# whose output CTest waits to end. The driver's scenarios (their own prefix,
# each under its emulated usbfs) run after the rest, and the server ends
# before the dialog program's test, which needs Wine's desktop started anew
# inside its virtual display.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE wine-driver
ctest --test-dir "$build" --output-on-failure -L wine-driver
wineserver -k || true
wineserver -w

if [[ -x scripts/windows-gui-test.sh ]]; then
  WINDOWS_TEST_BUILD_DIR="$build" scripts/windows-gui-test.sh
fi
