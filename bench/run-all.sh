#!/usr/bin/env bash
# Every collection-scale measure in one run, each beside its reference in the same run, under nice -n 19:
#   list, first search, export memory   bench/collection-scale.sh (vs the sqlite3 shell on the same file)
#   import of 1k, 10k and 100k files    bench/import-scale.sh (vs the sqlite3 shell inserting the same bytes)
#   .icl export of 250 ... 2,000 icons  bench_IclExportBench (vs writing the finished bytes, and icon by icon)
#   PNG 1024x1024 into 7 sizes          bench/convert-vs-imagemagick.sh (vs ImageMagick)
#   icon list of 100,000 icons          bench_IconListBench (vs 100 icons; peak memory scrolling end to end)
# With --all, the other benchmarks of this folder follow (store, deletion, export of same-named categories,
# module extraction, grid export, import and export of a folder tree). The load of the machine is printed
# before and after each step.
#
# Usage: bench/run-all.sh [--all]
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x build/bin/bench_IclExportBench ] || {
  echo "Configure the build with -DPICTAVO_BUILD_BENCH=ON and build it first." >&2
  exit 1
}

step() {
  echo
  echo "== $* (load $(cut -d' ' -f1-3 /proc/loadavg))"
  nice -n 19 "$@"
}

step bench/collection-scale.sh 100000 3
step bench/import-scale.sh "1000 10000 100000" 1
step build/bin/bench_IclExportBench
step bench/convert-vs-imagemagick.sh
QT_QPA_PLATFORM=offscreen step build/bin/bench_IconListBench

if [ "${1:-}" = "--all" ]; then
  step build/bin/bench_LibraryBench
  step build/bin/bench_DeleteBench
  step build/bin/bench_TreeExportBench
  step build/bin/bench_module
  step python3 bench/module_extract.py
  step bench/grid-export.sh
  step bench/library-io.sh
fi
echo
echo "done (load $(cut -d' ' -f1-3 /proc/loadavg))"
