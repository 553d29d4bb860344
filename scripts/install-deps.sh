#!/usr/bin/env bash
# Installs, with apt-get and only when missing, every Debian package that the build, the tests,
# the benchmarks and the GUI need. Quick when everything is present already.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsqlite3-dev sqlite3
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
