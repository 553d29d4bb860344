#!/usr/bin/env bash
# Every Debian package that the build, the tests, the benchmarks and the GUI need.
set -euo pipefail
exec "$(dirname "$0")/apt-install-missing.sh" \
  g++ cmake ninja-build pkg-config clang-format \
  libsqlite3-dev sqlite3 libre2-dev \
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev \
  qt6-base-dev libgl-dev fonts-dejavu-core \
  libgtest-dev libgmock-dev libbenchmark-dev
