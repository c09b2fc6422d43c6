#!/usr/bin/env bash
# Line and branch coverage of the product code by the whole Linux test suite:
# a Debug build with gcov instrumentation in its own folder, every test run
# from clean counters, then a summary per folder on stdout and the details in
# $build/coverage/ (index.html, summary.json). Tests, fuzz targets and
# benchmarks are not counted as code; branches that only exceptions take
# are left out, as the code throws only where memory runs out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${COVERAGE_BUILD_DIR:-build-coverage}
jobs=${JOBS:-2}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_COVERAGE=ON >/dev/null
cmake --build "$build" -j "$jobs"
find "$build" -name '*.gcda' -delete
mkdir -p "$build/coverage"
ctest --test-dir "$build" -j "$jobs" --output-on-failure

gcovr --root . --object-directory "$build" \
  --exclude 'tests/' --exclude 'fuzz/' --exclude 'bench/' --exclude "$build/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$build/coverage/summary.json" --json-summary-pretty \
  --html-details "$build/coverage/index.html" >/dev/null
python3 scripts/coverage-by-folder.py "$build/coverage/summary.json"
echo "coverage: details in $build/coverage/index.html"
