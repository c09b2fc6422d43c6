#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS over a scratch
# copy of its seed corpus, so the committed corpus never grows. Fails on any
# crash, leak, time-out or broken invariant; prints one line per target.
#   FUZZ_SECONDS    seconds per target (default 60)
#   FUZZ_BUILD_DIR  build directory (default build-fuzz)
#   FUZZ_TARGETS    space-separated subset of targets (default: all)
#   JOBS            parallel build jobs
set -euo pipefail

cd "$(dirname "$0")/.."
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-$(nproc)}
ALL_TARGETS="fuzz_converter fuzz_download_list fuzz_replies fuzz_driver_start fuzz_io_control"
FUZZ_TARGETS=${FUZZ_TARGETS:-$ALL_TARGETS}

CC=clang CXX=clang++ cmake -S . -B "$FUZZ_BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug \
    -DCORVANE_FUZZ=ON -DCORVANE_SANITIZE=address,undefined >/dev/null
# shellcheck disable=SC2086
cmake --build "$FUZZ_BUILD_DIR" -j "$JOBS" --target $FUZZ_TARGETS

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
summary=()
for target in $FUZZ_TARGETS; do
    corpus="$scratch/$target/corpus"
    artifacts="$scratch/$target/artifacts"
    mkdir -p "$corpus" "$artifacts"
    if [ -d "fuzz/corpus/$target" ]; then
        cp -r "fuzz/corpus/$target/." "$corpus/"
    fi
    dict=()
    if [ -f "fuzz/$target.dict" ]; then
        dict=(-dict="fuzz/$target.dict")
    fi
    log="$scratch/$target/log"
    echo "== $target: ${FUZZ_SECONDS}s"
    status=0
    "$FUZZ_BUILD_DIR/fuzz/$target" "${dict[@]}" -max_total_time="$FUZZ_SECONDS" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    files=$(find "$corpus" -type f | wc -l)
    if [ "$status" -ne 0 ] || [ -n "$(ls -A "$artifacts")" ]; then
        failed=1
        tail -60 "$log"
        for artifact in "$artifacts"/*; do
            [ -e "$artifact" ] || continue
            mkdir -p "$FUZZ_BUILD_DIR/fuzz-artifacts"
            cp "$artifact" "$FUZZ_BUILD_DIR/fuzz-artifacts/$target-$(basename "$artifact")"
        done
        summary+=("$target: FAILED (exit $status) after ${runs:-?} runs; input kept in $FUZZ_BUILD_DIR/fuzz-artifacts/")
    else
        summary+=("$target: ok, ${runs:-?} runs, coverage ${cov:-?}, corpus $files files")
    fi
done

echo "== fuzz summary (${FUZZ_SECONDS}s per target)"
printf '%s\n' "${summary[@]}"
exit "$failed"
