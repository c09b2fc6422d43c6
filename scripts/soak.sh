#!/usr/bin/env bash
# Runs the seeded fault-injection soak with many sessions (the suite's own
# run is short). The build comes first (make soak builds BUILD_DIR).
#   SOAK_RUNS   sessions (default 300)
#   SOAK_SEED   first seed (default: the time, printed so a run can be repeated)
#   BUILD_DIR   build directory holding tests/soak_tests (default build)
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
SOAK_RUNS=${SOAK_RUNS:-300}
SOAK_SEED=${SOAK_SEED:-$(date +%s)}
binary="$BUILD_DIR/tests/soak_tests"
if [ ! -x "$binary" ]; then
    echo "soak: $binary is missing; build $BUILD_DIR first" >&2
    exit 1
fi
echo "soak: $SOAK_RUNS sessions, seed $SOAK_SEED (repeat with SOAK_SEED=$SOAK_SEED)"
SOAK_RUNS=$SOAK_RUNS SOAK_SEED=$SOAK_SEED "$binary" --gtest_brief=1
