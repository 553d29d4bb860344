# Sourced by the benchmarks that compare with ImageMagick, from the top of the source tree: installs the
# tools, builds when needed, and sets cli (pictavo-cli), im and identify (ImageMagick) and work (a folder removed
# on exit) holding in.png, a 1024x1024 picture with soft transparent edges, where resampling without
# premultiplied alpha shows dark fringes.
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

"$im" -size 1024x1024 radial-gradient:'rgba(255,160,0,1)-rgba(0,64,255,0)' \
  \( -size 1024x1024 plasma:fractal -seed 7 \) -compose multiply -composite "PNG32:$work/in.png"
