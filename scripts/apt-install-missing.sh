#!/usr/bin/env bash
# Installs the Debian packages named as arguments, with apt-get and only those not installed yet.
# Quick when everything is present already.
set -euo pipefail

missing=()
for p in "$@"; do
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
# A mirror that fails to serve one of its indexes makes apt-get update fail, although the lists it did fetch
# (or had from before) often hold every package asked for: the install below decides.
if ! $sudo apt-get update -qq; then
  echo "apt-get update failed for some package lists (see above); installing from the lists there are" >&2
fi
if ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "apt-get install failed for: ${missing[*]}" >&2
  exit 1
fi
