#!/usr/bin/env bash
# Installs what is missing, builds Pictavo and starts it. Arguments are handed to the program, which on its
# very first run makes "Default.pctv" in the data folder from the icons of the installed icon themes.
# Without a display the command-line tool runs instead: with arguments it gets them, without it explains.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh >&2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if [ $# -gt 0 ]; then
    exec build/bin/pictavo-cli "$@"
  fi
  cat >&2 <<'TEXT'
No display was found ($DISPLAY and $WAYLAND_DISPLAY are empty), so the Pictavo window cannot open here.
Start ./run.sh again from a desktop session, or work with the command-line tool, for example:

  ./run.sh new My.pctv                         create a library
  ./run.sh mkcat My.pctv "My Icons/Toolbar"    add a category
  ./run.sh import My.pctv icons/ --category "My Icons/Toolbar"
  ./run.sh tree My.pctv                        show its categories
  ./run.sh export My.pctv out/ --type png      write its icons as pictures

TEXT
  exec build/bin/pictavo-cli help
fi

exec build/bin/pictavo "$@"
