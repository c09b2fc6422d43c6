#!/usr/bin/env bash
# Corvane.exe (the x86_64 test build) under Xvfb and Wine: the main window
# "Corvane v1.6" appears with the status "Waiting for new connection...", a
# screenshot is taken (into docs/screenshots/ with
# CORVANE_UPDATE_SCREENSHOTS=1, else into the build folder), the system menu's
# About item shows version 1.6 with banner and icon, WM_CLOSE ends the
# program cleanly (exit code 0, in bounded time) and its settings are then in
# HKLM\Software\Moravex\Corvane\Settings. The front end's window tests run in
# the same display (without one they skip). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_TEST_BUILD_DIR:-build-windows-x64}
jobs=${JOBS:-2}
screenshot="$build/corvane-windows.png"
if [[ ${CORVANE_UPDATE_SCREENSHOTS:-0} == 1 ]]; then
  screenshot=docs/screenshots/corvane-windows.png
fi

export WINEPREFIX="$PWD/$build/wine"
export WINEDEBUG=-all
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$build"
  echo "windows-gui-test: setting up the Wine prefix in $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
if [[ ${1:-} != --in-display && ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_TESTS=ON \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
fi
if [[ ${1:-} != --in-display ]]; then
  cmake --build "$build" -j "$jobs" --target Corvane corvane_gui_probe corvane_win32ui_tests
fi

corvane="$PWD/$build/bin/Corvane.exe"
probe="$PWD/$build/tests/corvane_gui_probe.exe"
tests="$PWD/$build/tests/corvane_win32ui_tests.exe"
mkdir -p "$(dirname "$screenshot")"

# Runs inside the virtual display.
session() {
  set -euo pipefail
  local failed=0
  wine "$probe" clear-settings
  timeout 90 wine "$corvane" &
  local program=$!
  if ! wine "$probe" wait-window 60000; then
    failed=1
  else
    sleep 1  # let the window finish painting
    xwd -root -silent | convert xwd:- "png:$screenshot"
    echo "windows-gui-test: screenshot in $screenshot"
    wine "$probe" about 20000 || failed=1
    wine "$probe" close 20000 || failed=1
  fi
  local code=0
  wait "$program" || code=$?
  if [[ $code -ne 0 ]]; then
    echo "windows-gui-test: Corvane.exe ended with exit code $code (124: did not end in time)" >&2
    failed=1
  fi
  if [[ $failed -eq 0 ]]; then
    wine "$probe" settings || failed=1
  fi
  # The windows built from the templates, now with a display to show them.
  wine "$tests" --gtest_brief=1 || failed=1
  wineserver -k || true
  return $failed
}
if [[ ${1:-} == --in-display ]]; then
  session
  exit
fi
if xvfb-run -a -s "-screen 0 1024x768x24" "$0" --in-display; then
  echo "windows-gui-test: passed"
else
  echo "windows-gui-test: FAILED" >&2
  exit 1
fi
