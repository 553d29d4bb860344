#!/usr/bin/env bash
# End-to-end figure of the grid export: 1,000 icons of 32 x 32 joined into a square sheet with spacing,
# beside a floor measured in the same run (copying the library file, the bytes the export reads).
# Usage: bench/grid-export.sh [path/to/pictavo-cli]
set -euo pipefail
cli="${1:-$(dirname "$0")/../build/bin/pictavo-cli}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A 1,280 x 800 picture of noisy pixels, cut into 40 x 25 = 1,000 icons of 32 x 32.
python3 - "$work/sheet.bmp" <<'PY'
import random, struct, sys
w, h = 1280, 800
random.seed(7)
row = lambda: bytes(random.getrandbits(8) for _ in range(w * 3))
pixels = b"".join(row() for _ in range(h))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PY
"$cli" split "$work/sheet.bmp" "$work/icons" --tile 32 32 --resize keep >/dev/null
"$cli" new "$work/lib.pctv"
"$cli" import "$work/lib.pctv" "$work/icons" >/dev/null

now() { date +%s%N; }
best_export=""
best_floor=""
for _ in 1 2 3 4 5; do
  t0=$(now)
  "$cli" grid-export "$work/lib.pctv" "$work/sheet.png" --count 1000 --cell 32x32 --layout square \
    --spacing 2 >/dev/null
  t1=$(now)
  cp "$work/lib.pctv" "$work/copy.pctv"
  sync -f "$work/copy.pctv" 2>/dev/null || true
  t2=$(now)
  e=$((t1 - t0)); f=$((t2 - t1))
  if [ -z "$best_export" ] || [ "$e" -lt "$best_export" ]; then best_export=$e; fi
  if [ -z "$best_floor" ] || [ "$f" -lt "$best_floor" ]; then best_floor=$f; fi
done
size=$(stat -c %s "$work/lib.pctv")
awk -v e="$best_export" -v f="$best_floor" -v s="$size" 'BEGIN {
  printf "grid export of 1,000 icons (32x32, square, spacing 2): %.1f ms (best of 5)\n", e / 1e6
  printf "floor, copying the %d-byte library:                  %.1f ms\n", s, f / 1e6
  printf "ratio: %.1f\n", e / f
}'
