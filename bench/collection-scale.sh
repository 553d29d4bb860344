#!/usr/bin/env bash
# pictavo-cli on a library of 100,000 icons (five formats, 9,374 bytes of noisy ICO data each, names
# "Icon N", keywords "word, word, shape N"), each step one new process beside its reference run by the
# sqlite3 shell on the same file in the same run:
#   list     `list` of "My Icons"                 vs  select id, name, length(data) from icons
#   search   `find "shape 99"` (a first search)   vs  the same text with like over names and keywords
#   export   `export --type ico` of "My Icons"    (peak memory only; the files written are the reference)
# Wall time and peak resident memory, best of RUNS (default 3), steps alternating with their references.
#
# Usage: bench/collection-scale.sh [ICONS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x build/bin/pictavo-cli ] || scripts/build.sh
cli="$PWD/build/bin/pictavo-cli"
icons=${1:-100000}
runs=${2:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lib="$work/big.pctv"

python3 bench/noisy_icons.py library "$lib" "$icons"
echo "library: $icons icons, $(du -m "$lib" | cut -f1) MB; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# "seconds peak-MB" of the best (fastest) of the runs of a command; its output goes to /dev/null.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
  awk '{printf "%.2f %.1f\n", $1, $2 / 1024}' "$work/time"
}

best() {
  sort -n "$1" | head -1
}

report() {
  local name=$1 ours theirs
  ours=$(best "$work/$name.ours")
  theirs=$(best "$work/$name.ref")
  read -r t1 m1 <<<"$ours"
  read -r t2 m2 <<<"$theirs"
  printf '%-8s pictavo-cli %6.2f s %7.1f MB | sqlite3 %6.2f s %7.1f MB | time ratio %.2f\n' \
    "$name" "$t1" "$m1" "$t2" "$m2" "$(python3 -c "print($t1 / max($t2, 0.01))")"
}

rm -f "$work"/*.ours "$work"/*.ref
for ((i = 0; i < runs; i++)); do
  measure "$cli" list "$lib" >>"$work/list.ours"
  measure sqlite3 "$lib" "select id, name, length(data) from icons;" >>"$work/list.ref"
  measure "$cli" find "$lib" "shape 99" >>"$work/search.ours"
  measure sqlite3 "$lib" \
    "select id from icons where name like '%shape 99%' or kwds like '%shape 99%';" >>"$work/search.ref"
done
report list
report search

mkdir -p "$work/out"
read -r t m <<<"$(measure "$cli" export "$lib" "$work/out" --type ico)"
echo "export   pictavo-cli $t s, peak $m MB for $(ls "$work/out" | wc -l) files"
