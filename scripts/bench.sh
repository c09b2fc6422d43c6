#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and, unless BENCH_BUILD_ONLY=1,
# runs every figure side by side and writes docs/benchmarks.md.
#   BENCH_BUILD_DIR  the build folder (default build-bench)
#   JOBS             parallel compile jobs
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build-bench}

# -O2: GCC 12 at -O3 warns falsely (-Wrestrict) inside std::string; -g lets
# callgrind name what it profiles.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -g -DNDEBUG" \
  -DCORVANE_BENCH=ON >/dev/null
cmake --build "$build" -j "${JOBS:-2}" \
  --target corvane-bench corvane-bench-session corvane-cli corvane corvane-usbfs

if [ "${BENCH_BUILD_ONLY:-}" = 1 ]; then
  echo "benchmarks built in $build/bin (BENCH_BUILD_ONLY=1: nothing run)"
  exit 0
fi

for tool in objcopy srec_cat python3; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make setup)" >&2; exit 1; }
done
python3 bench/make_images.py "$build/bench-inputs"
python3 bench/report.py "$build" "$build/bench-inputs" docs/benchmarks.md
