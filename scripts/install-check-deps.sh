#!/usr/bin/env bash
# Installs, with apt-get and only when missing, the tools used for cross-checks and benchmarks only (never
# needed by the build or by ./test.sh): binutils for Windows targets (windres, ld) to build reference
# modules, icoutils (wrestool) and icoextract to compare extracted icons, hyperfine for timings, and a virtual
# X server (xvfb, xauth) to look at the program's windows on a machine without a display.
set -euo pipefail

packages=(
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  icoutils icoextract hyperfine
  xvfb xauth
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
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
