#!/usr/bin/env bash
# The programs of other makers that the tests check Pictavo against, installed by ./test.sh (a test whose tool
# is missing fails): Python 3 for the layer check of the sources, binutils for Windows targets (windres, as,
# ld) to build reference modules, icoutils (wrestool, icotool), icnsutils (icns2png, png2icns), icoextract,
# ImageMagick, rsvg-convert and the WebP tools to read what Pictavo writes, lintian to check the Debian
# package, groff to render the manual pages, and Noto Sans Mono, the fixed-width font of many desktops, for
# the progress log's font.
# Beside them, for work by hand: hyperfine for timings, a virtual X server with a window manager, a
# notification area, an input driver and a screen grabber (xvfb, xauth, openbox, trayer, xdotool, x11-utils,
# imagemagick `import`) to use the program's windows on a machine without a display, a clipboard tool and two
# file managers of different toolkits (xclip, pcmanfm, thunar) to copy pictures from and drag files to and from
# other programs there, and ccache to share compiled objects between work trees.
set -euo pipefail
exec "$(dirname "$0")/apt-install-missing.sh" \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 icoutils icnsutils icoextract imagemagick librsvg2-bin \
  python3 webp lintian groff-base fonts-noto-mono \
  hyperfine xvfb xauth openbox trayer xdotool x11-utils xclip pcmanfm thunar ccache
