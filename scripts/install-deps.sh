#!/usr/bin/env bash
# Every Debian package that the build, the tests, the benchmarks and the GUI need. The desktop files are
# checked with desktop-file-utils and appstream; the Debian package is built with dpkg-dev and file. The
# translations are made with Qt's own tools, and Qt's translations of its standard dialogs are loaded beside them.
set -euo pipefail
exec "$(dirname "$0")/apt-install-missing.sh" \
  g++ cmake ninja-build pkg-config clang-format \
  libsqlite3-dev sqlite3 libre2-dev \
  libpng-dev libdeflate-dev libjpeg62-turbo-dev libgif-dev libtiff-dev librsvg2-dev libwebp-dev \
  qt6-base-dev libgl-dev fonts-dejavu-core \
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n \
  libgtest-dev libgmock-dev libbenchmark-dev \
  desktop-file-utils appstream dpkg-dev file
