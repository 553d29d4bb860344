#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it (.clang-format at the root).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Some sources are not formatted: run clang-format -i on the files named above." >&2
  exit 1
fi
