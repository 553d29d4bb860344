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

# The library, written in the file's own layout: UTF-16 text, the header and tree rows, "My Icons" listing
# every icon.
python3 - "$lib" "$icons" <<'PY'
import random, sqlite3, struct, sys
path, count = sys.argv[1], int(sys.argv[2])
rnd = random.Random(1108)

def dib(n, bits):
    colours = 1 << bits if bits <= 8 else 0
    stride = ((n * bits + 31) // 32) * 4
    mask = ((n + 31) // 32) * 4 * n
    data = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, 0, 0, 0, 0, 0)
    data += rnd.randbytes(colours * 4 + stride * n) + bytes(mask)
    entry = struct.pack('<BBBBHHI', n, n, colours if colours < 256 else 0, 0, 1, bits, len(data))
    return entry, data

def icon():
    images = [dib(32, 32), dib(16, 32), dib(32, 8), dib(16, 8), dib(16, 4)]
    out = struct.pack('<HHH', 0, 1, len(images))
    off = 6 + 16 * len(images)
    for entry, data in images:
        out += entry + struct.pack('<I', off)
        off += len(data)
    return out + b''.join(data for _, data in images)

def record(depth, node, image, title):
    t = title.encode('utf-16-le')
    return struct.pack('<iiii', depth, node, image, image) + t + bytes(512 - len(t))

words = ["red", "blue", "green", "arrow", "star", "folder", "disk", "user", "mail", "print", "home", "gear",
         "lock", "key", "cloud", "music", "video", "chart", "flag", "heart"]
variants = [icon() for _ in range(16)]
db = sqlite3.connect(path)
db.execute("pragma encoding='UTF-16le'")
db.execute("create table main(id integer primary key, data blob)")
db.execute("create table nodes(id integer primary key, data blob)")
db.execute("create table icons(id integer primary key, data blob, name nvarchar(256), kwds nvarchar(256))")
db.execute("insert into main values(1, ?)", (bytes(8) + struct.pack('<ii', 1, count + 1),))
db.execute("insert into main values(2, ?)", (record(0, -1, 0, "My Icons") + record(0, -2, 3, "Find Results"),))
db.execute("insert into nodes values(-1, ?)", (struct.pack('<%di' % count, *range(1, count + 1)),))
db.executemany("insert into icons values(?, ?, ?, ?)",
               ((i + 1, variants[i % 16], "Icon %d" % i,
                 "%s, %s, shape %d" % (words[i % 20], words[(i // 20) % 20], i % 997)) for i in range(count)))
db.commit()
PY
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
