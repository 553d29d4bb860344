#!/usr/bin/env bash
# Configures (once) and builds into ./build. Extra arguments go to the first configuration.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_WERROR=ON "$@"
fi
cmake --build build -j"$(nproc)"
