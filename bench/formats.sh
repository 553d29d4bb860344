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
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-bench-deps.sh
[ -x build/bin/pictavo-cli ] || scripts/build.sh
cli="$PWD/build/bin/pictavo-cli"

# ImageMagick 6 under its versioned name, so that no other "convert" on the PATH is taken for it.
im=$(command -v convert-im6.q16 || command -v magick || true)
if [ -z "$im" ]; then
  echo "ImageMagick is not installed." >&2
  exit 1
fi
identify=$(command -v identify-im6.q16 || echo "$im identify")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A picture with soft transparent edges and flat areas, as drawn icons have.
"$im" -size 1024x1024 radial-gradient:'rgba(255,160,0,1)-rgba(0,64,255,0)' \
  \( -size 1024x1024 plasma:fractal -seed 7 \) -compose multiply -composite "PNG32:$work/in.png"
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

cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(png_size)
for c in "${cases[@]}"; do
  "$c"
done
