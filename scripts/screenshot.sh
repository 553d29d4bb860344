#!/usr/bin/env bash
# Renders the main window with a sample library to a PNG (offscreen), plus the toolbar strips enlarged:
# scripts/screenshot.sh [OUT.png [WIDTH HEIGHT]]
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build.sh >/dev/null
out="${1:-/tmp/pictavo-main.png}"
shift || true
QT_QPA_PLATFORM=offscreen build/bin/pictavo-screenshot "$out" "$@"
echo "$out"
