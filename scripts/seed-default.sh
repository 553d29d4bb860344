#!/usr/bin/env bash
# Seeds "Default.pctv" in Pictavo's data folder, so that the very first start shows a working library: a
# few categories of icons imported with pictavo-cli from the desktop's installed icon themes.
#   scripts/seed-default.sh PICTAVO-CLI
# Does nothing where Pictavo has run before ("config.ini" exists) or the library exists already.
set -euo pipefail

cli="${1:?usage: seed-default.sh PICTAVO-CLI}"

# The data folder as the program finds it: $XDG_DATA_HOME/Pictavo when that is an absolute path, else
# ~/.local/share/Pictavo.
if [[ "${XDG_DATA_HOME:-}" == /* ]]; then
  data="$XDG_DATA_HOME/Pictavo"
else
  data="$HOME/.local/share/Pictavo"
fi
library="$data/Default.pctv"
if [ -e "$data/config.ini" ] || [ -e "$library" ]; then
  exit 0
fi

themes="${PICTAVO_ICON_THEMES:-/usr/share/icons}"
max_per_category=32

# The pictures of one theme context (places, devices, ...) at 48 pixels, else at 32, at most a handful.
pictures_of() {
  local context="$1" size
  for size in 48x48 32x32; do
    local found
    found=$(find "$themes" -path "*/$size/$context/*.png" ! -name "*symbolic*" -type f 2>/dev/null | sort | head -n "$max_per_category")
    if [ -n "$found" ]; then
      printf '%s\n' "$found"
      return
    fi
  done
}

mkdir -p "$data"
work=$(mktemp -d "$data/.seed.XXXXXX")
trap 'rm -rf "$work"' EXIT
lib="$work/Default.pctv"

"$cli" new "$lib" >/dev/null
for sample in "Sample Category 1" "Sample Category 2" "Sample Category 3"; do
  "$cli" rmcat "$lib" "My Icons/$sample" >/dev/null
done

seeded=0
for entry in "places:Places" "devices:Devices" "mimetypes:File Types" "apps:Applications" \
             "emotes:Emotes" "legacy:Classic" "status:Status"; do
  context="${entry%%:*}"
  title="${entry#*:}"
  mapfile -t files < <(pictures_of "$context")
  if [ ${#files[@]} -eq 0 ]; then
    continue
  fi
  "$cli" mkcat "$lib" "My Icons/$title" >/dev/null
  # A picture the importer refuses is skipped; the others still come in.
  if "$cli" import "$lib" "${files[@]}" --category "My Icons/$title" >/dev/null 2>&1 ||
     [ "$("$cli" list "$lib" --category "My Icons/$title" | wc -l)" -gt 0 ]; then
    seeded=$((seeded + 1))
  fi
done

if [ "$seeded" -eq 0 ]; then
  echo "No icon themes with pictures under $themes: Pictavo starts without a library." >&2
  exit 0
fi
mv "$lib" "$library"
echo "Seeded $library with icons of the installed icon themes." >&2
