#!/usr/bin/env bash
# Times pictavo-cli against ImageMagick on the same job: a 1024x1024 RGBA PNG into an icon holding 256, 128,
# 64, 48, 32, 24 and 16 pixels at 32 bits. Prints both timings and the ratio, then the time to add the same
# sizes at 8 and at 4 bits, and checks the icons with ImageMagick and icoutils.
set -euo pipefail
cd "$(dirname "$0")/.."

. bench/imagemagick-setup.sh

sizes="256x256-XP,128x128-XP,64x64-XP,48x48-XP,32x32-XP,24x24-XP,16x16-XP"
hyperfine --warmup 2 --min-runs 10 --export-json "$work/convert.json" \
  -n pictavo "$cli convert $work/in.png $work/p.ico --formats $sizes" \
  -n imagemagick "$im $work/in.png -define icon:auto-resize=256,128,64,48,32,24,16 $work/m.ico"

python3 - "$work/convert.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
p, m = r["pictavo"], r["imagemagick"]
print(f"\npictavo {p * 1000:.1f} ms, ImageMagick {m * 1000:.1f} ms: pictavo is {m / p:.2f}x as fast")
PY

for depth in 256 16; do
  list=$(echo "$sizes" | sed "s/-XP/-$depth/g")
  hyperfine --warmup 2 --min-runs 10 -n "add at ${depth} colours" \
    "$cli formats $work/p.ico $work/p$depth.ico --add $list"
done

echo
echo "ImageMagick reads pictavo's icons as:"
$identify "$work/p.ico" "$work/p16.ico"
echo
echo "icoutils reads them as:"
icotool -l "$work/p.ico" "$work/p16.ico"
