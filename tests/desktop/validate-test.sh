#!/usr/bin/env bash
# The desktop files pass the platform's own checks: the desktop entries (desktop-file-validate), the AppStream
# metainfo (appstreamcli), and the file types, which a private MIME database built from them must resolve
# by name: .pctv and .icl to our types, .ico still to the icon type.
#   validate-test.sh SOURCE_DIR METAINFO DESKTOP_ENTRY...
set -euo pipefail
source_dir=$1 metainfo=$2 desktop_entries=("${@:3}")
. "$(dirname "$0")/common.sh"
need_tools desktop-file-validate appstreamcli update-mime-database

desktop-file-validate "${desktop_entries[@]}" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"

mkdir -p "$work/mime/packages"
cp "$source_dir/resources/pictavo-mime.xml" "$work/mime/packages/pictavo.xml"
if [ -f /usr/share/mime/packages/freedesktop.org.xml ]; then
  cp /usr/share/mime/packages/freedesktop.org.xml "$work/mime/packages/"
fi
update-mime-database "$work/mime" || fail "update-mime-database"
grep -qx '50:application/x-pictavo-library:\*\.pctv' "$work/mime/globs2" || fail "no glob for .pctv"
grep -qx '50:application/x-icon-library:\*\.icl' "$work/mime/globs2" || fail "no glob for .icl"
if [ -f /usr/share/mime/packages/freedesktop.org.xml ]; then
  grep -qx '50:image/vnd.microsoft.icon:\*\.ico' "$work/mime/globs2" || fail ".ico lost its type"
fi
echo "desktop entry, metainfo and file types are valid"
