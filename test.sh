#!/usr/bin/env bash
# Installs what is missing (the build's packages and the tools the tests check against), builds Pictavo and
# runs every test; then builds the core, the command-line tool and the fuzz replays once more with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize, without the desktop program) and runs their
# tests again there.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/install-check-deps.sh
./scripts/build.sh
./scripts/check-format.sh

export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

# GCC warns falsely about code instrumented by the sanitizers: there, unlike in ./build, warnings are no errors.
PICTAVO_BUILD_DIR=build-sanitize ./scripts/build.sh -DPICTAVO_SANITIZE=ON -DPICTAVO_BUILD_GUI=OFF -DPICTAVO_WERROR=OFF
# Any finding fails its test; leaks count as findings.
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan-suppressions.txt
(cd build-sanitize && ctest --output-on-failure -j"$(nproc)" --timeout 900)
