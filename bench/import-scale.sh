#!/usr/bin/env bash
# Importing folders of 1,000, 10,000 and 100,000 .ico files (five formats, 9,374 bytes of noisy data each)
# into a new library with `pictavo-cli import` (import and save), beside the same bytes inserted by the
# sqlite3 shell into a new database of the same layout in the same run. Wall time and peak resident memory
# of each process, best of RUNS (default 1), the two alternating.
#
# Usage: bench/import-scale.sh [COUNTS] [RUNS]   (COUNTS: "1000 10000 100000")
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x build/bin/pictavo-cli ] || scripts/build.sh
cli="$PWD/build/bin/pictavo-cli"
counts=${1:-"1000 10000 100000"}
runs=${2:-1}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files of the largest count; a smaller count imports the first of them from a folder of its own.
largest=$(tr ' ' '\n' <<<"$counts" | sort -n | tail -1)
python3 bench/noisy_icons.py files "$work/files" "$largest"

# The dirty pages of the step before (the files made, the last import) are written out first, so that no
# step pays for another's writes.
measure() {
  sync
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
  awk '{printf "%.2f %.1f\n", $1, $2 / 1024}' "$work/time"
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
for count in $counts; do
  dir="$work/in$count"
  python3 -c "
import os, sys
os.makedirs(sys.argv[2])
for i in range(int(sys.argv[3])):
    name = 'icon%06d.ico' % i
    os.link(os.path.join(sys.argv[1], name), os.path.join(sys.argv[2], name))" "$work/files" "$dir" "$count"
  rm -f "$work/ours" "$work/ref"
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/lib.pctv" "$work/ref.db"
    "$cli" new "$work/lib.pctv" >/dev/null
    measure "$cli" import "$work/lib.pctv" "$dir" >>"$work/ours"
    measure sqlite3 "$work/ref.db" "pragma encoding='UTF-16le';
      create table icons(id integer primary key, data blob, name nvarchar(256), kwds nvarchar(256));
      insert into icons(data, name) select data, name from fsdir('$dir') where mode & 0x8000;" >>"$work/ref"
  done
  read -r t1 m1 <<<"$(sort -n "$work/ours" | head -1)"
  read -r t2 m2 <<<"$(sort -n "$work/ref" | head -1)"
  printf 'import %6d  pictavo-cli %7.2f s %7.1f MB | sqlite3 %7.2f s %6.1f MB | %.0f%% of its speed\n' \
    "$count" "$t1" "$m1" "$t2" "$m2" "$(python3 -c "print(100 * $t2 / max($t1, 0.01))")"
done
