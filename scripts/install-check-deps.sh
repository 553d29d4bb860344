#!/usr/bin/env bash
# Tools used for cross-checks and benchmarks only (never needed by the build or by ./test.sh): binutils for
# Windows targets (windres, ld) to build reference modules, icoutils (wrestool, icotool), icnsutils
# (icns2png, png2icns) and icoextract to compare extracted and written icons, hyperfine for timings, a
# virtual X server with a window manager, a notification area, an input driver and a screen grabber (xvfb,
# xauth, openbox, trayer, xdotool, x11-utils, imagemagick) to use the program's windows on a machine without
# a display, a clipboard tool and two file managers of different toolkits (xclip, pcmanfm, thunar) to copy
# pictures from and drag files to and from other programs there, ccache to share compiled objects between
# work trees, and lintian to check the Debian package.
set -euo pipefail
exec "$(dirname "$0")/apt-install-missing.sh" \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 icoutils icnsutils icoextract hyperfine xvfb xauth \
  openbox trayer xdotool x11-utils imagemagick xclip pcmanfm thunar ccache lintian librsvg2-bin webp
