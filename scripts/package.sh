#!/usr/bin/env bash
# Builds the Debian package of Pictavo: a build of its own in build-package/ with Debian's compiler and
# hardening flags (dpkg-buildflags), installed under /usr and packed by CPack, its dependencies worked out
# from the shared libraries the programs link. Checked with lintian when it is installed.
#   scripts/package.sh [OUT_DIR]      (default: build-package/)
# Install the result with: sudo apt install ./pictavo_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
build=build-package
out=$(realpath -m "${1:-$build}")

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The build type "None" adds no flags of its own to Debian's.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DPICTAVO_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_C_FLAGS="$cflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls -t "$out"/pictavo_*.deb | head -n 1)
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true
fi
echo "$deb"
