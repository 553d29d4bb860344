#!/usr/bin/env bash
# Installs what is missing, builds Pictavo and starts it. Arguments are handed to the program.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh >&2

if [ -x build/bin/pictavo ]; then
  exec build/bin/pictavo "$@"
fi
if [ $# -eq 0 ]; then
  exec build/bin/pictavo-cli help
fi
exec build/bin/pictavo-cli "$@"
