#!/usr/bin/env bash
# Cross-builds the Windows deliverables with mingw-w64 for 32-bit x86.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-windows}
cmake -S driver -B "$build/driver" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
cmake --build "$build/driver" -j "${JOBS:-2}"
echo "Windows deliverables in $build/driver: Dornik.sys Dornik.inf"
