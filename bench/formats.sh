#!/usr/bin/env bash
# Icon formats against other tools, one function per case; runs the cases named on the command line, or
# every case.
#
#   bench/formats.sh [CASE...]
#
#   png_size   a 1024x1024 RGBA picture into a 7-size icon (256 ... 16 at 32 bits): the file pictavo-cli writes
#              with its 256 x 256 image PNG-compressed (--png), with every image of 48 pixels and up so
#              (--png-min 48), and without (uncompressed, as by default), beside ImageMagick's icon of the same
#              sizes; file sizes and times side by side, and both files read back by ImageMagick and icoutils.
#   svg_to_ico an SVG drawing into an icon of 256, 128, 64, 48, 32, 24 and 16 pixels at 32 bits, for a few
#              drawings: pictavo-cli convert (each size drawn from the SVG) against rsvg-convert drawing
#              every size to PNG and ImageMagick joining them, and against ImageMagick alone (its SVG
#              delegate drawing once, scaled to each size); times side by side with the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."

. bench/imagemagick-setup.sh
"$im" -size 1024x1024 xc:none -fill '#2a7fd4' -draw 'roundrectangle 96,96 928,928 160,160' \
  -fill white -draw 'circle 512,512 512,300' "PNG32:$work/flat.png"

png_size() {
  local sizes="256x256-XP,128x128-XP,64x64-XP,48x48-XP,32x32-XP,24x24-XP,16x16-XP"
  local pic
  echo "== PNG-compressed icon images: file sizes (bytes) and times"
  printf '%-8s %12s %12s %12s %12s\n' picture dib --png "--png-min 48" imagemagick
  for pic in in flat; do
    "$cli" convert "$work/$pic.png" "$work/$pic-dib.ico" --formats "$sizes"
    "$cli" convert "$work/$pic.png" "$work/$pic-png.ico" --formats "$sizes" --png
    "$cli" convert "$work/$pic.png" "$work/$pic-png48.ico" --formats "$sizes" --png-min 48
    "$im" "$work/$pic.png" -define icon:auto-resize=256,128,64,48,32,24,16 "$work/$pic-im.ico"
    printf '%-8s %12d %12d %12d %12d\n' "$pic" "$(stat -c %s "$work/$pic-dib.ico")" \
      "$(stat -c %s "$work/$pic-png.ico")" "$(stat -c %s "$work/$pic-png48.ico")" "$(stat -c %s "$work/$pic-im.ico")"
  done
  hyperfine --warmup 2 --min-runs 10 \
    -n "pictavo --png" "$cli convert $work/in.png $work/t1.ico --formats $sizes --png" \
    -n "pictavo dib" "$cli convert $work/in.png $work/t2.ico --formats $sizes" \
    -n imagemagick "$im $work/in.png -define icon:auto-resize=256,128,64,48,32,24,16 $work/t3.ico"
  echo
  echo "ImageMagick and icoutils read pictavo's PNG-compressed icon as:"
  $identify "$work/in-png48.ico"
  icotool -l "$work/in-png48.ico"
}

# Prints "name: pictavo X ms, other Y ms: pictavo is Zx as fast" for each other command of a hyperfine export.
ratios() {
  python3 - "$1" "$2" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
p = r.pop("pictavo")
for name, t in r.items():
    print(f"{sys.argv[2]}: pictavo {p * 1000:.1f} ms, {name} {t * 1000:.1f} ms: pictavo is {t / p:.2f}x as fast")
PY
}

# Three drawings: a flat logo, one with gradients and a blur, and a busy one of many paths.
make_drawings() {
  cat >"$work/logo.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">
  <circle cx="32" cy="32" r="28" fill="#2a7" stroke="#135" stroke-width="3"/>
  <path d="M20 34 L28 42 L46 22" fill="none" stroke="#fff" stroke-width="6" stroke-linecap="round"/>
</svg>
SVG
  cat >"$work/gradient.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128">
  <defs>
    <radialGradient id="g" cx="40%" cy="35%"><stop offset="0" stop-color="#fff"/><stop offset="1" stop-color="#06c"/></radialGradient>
    <filter id="s"><feGaussianBlur stdDeviation="3"/></filter>
  </defs>
  <ellipse cx="66" cy="112" rx="44" ry="8" fill="#000" opacity="0.4" filter="url(#s)"/>
  <circle cx="64" cy="60" r="48" fill="url(#g)"/>
</svg>
SVG
  python3 - "$work/busy.svg" <<'PY'
import math, sys
paths = []
for i in range(400):
    a = i * 0.7
    x, y = 128 + 100 * math.cos(a) * (i % 7) / 7, 128 + 100 * math.sin(a) * (i % 5) / 5
    paths.append(f'<path d="M{x:.1f} {y:.1f} q 20 -30 40 0 t 40 0" fill="none" '
                 f'stroke="hsl({i * 37 % 360},70%,50%)" stroke-width="{1 + i % 4}" opacity="0.8"/>')
open(sys.argv[1], "w").write('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 256 256">'
                             + "".join(paths) + "</svg>")
PY
}

svg_to_ico() {
  if ! command -v rsvg-convert >/dev/null; then
    echo "rsvg-convert is not installed: svg_to_ico left out." >&2
    return 0
  fi
  make_drawings
  local name
  for name in logo gradient busy; do
    local svg="$work/$name.svg"
    # rsvg-convert draws each size, ImageMagick joins the PNGs into one icon.
    cat >"$work/rsvg-im.sh" <<SH
set -e
for s in 256 128 64 48 32 24 16; do rsvg-convert -w \$s -h \$s -a "$svg" -o "$work/r\$s.png"; done
"$im" $(for s in 256 128 64 48 32 24 16; do printf '%s ' "$work/r$s.png"; done) "$work/r.ico"
SH
    hyperfine --warmup 2 --min-runs 10 --export-json "$work/$name.json" \
      -n pictavo "$cli convert $svg $work/p.ico" \
      -n "rsvg-convert + ImageMagick" "bash $work/rsvg-im.sh" \
      -n "ImageMagick" "$im -background none $svg -define icon:auto-resize=256,128,64,48,32,24,16 $work/m.ico"
    ratios "$work/$name.json" "SVG -> 7-size ICO ($name.svg)"
  done
  echo
  echo "ImageMagick reads pictavo's icon of busy.svg as:"
  $identify "$work/p.ico"
}


cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(svg_to_ico png_size)
for c in "${cases[@]}"; do
  "$c"
done
