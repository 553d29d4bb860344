#!/usr/bin/env bash
# Installs what is missing, builds Pictavo and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh
./scripts/check-format.sh

export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
