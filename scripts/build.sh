#!/usr/bin/env bash
# Configures (once) and builds into ./build, or into the folder PICTAVO_BUILD_DIR names. Extra arguments go to
# the first configuration.
set -euo pipefail
cd "$(dirname "$0")/.."

dir="${PICTAVO_BUILD_DIR:-build}"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_WERROR=ON "$@"
fi
cmake --build "$dir" -j"$(nproc)"
