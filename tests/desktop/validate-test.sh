#!/usr/bin/env bash
# The desktop files pass the platform's own checks: the desktop entries (desktop-file-validate), the AppStream
# metainfo (appstreamcli), and the file types, which a private MIME database built from them must resolve
# by name: .pctv and .icl to our types, .ico still to the icon type.
#   validate-test.sh SOURCE_DIR METAINFO DESKTOP_ENTRY...
set -euo pipefail
source_dir=$1 metainfo=$2 desktop_entries=("${@:3}")
. "$(dirname "$0")/common.sh"
need_tools desktop-file-validate appstreamcli update-mime-database file

desktop-file-validate "${desktop_entries[@]}" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
# Each screenshot is a file of the source tree, published under the same path on the homepage, of the size
# the metainfo gives.
images=$(grep -o '<image [^>]*>[^<]*' "$metainfo") || fail "the metainfo has no screenshot"
while read -r image; do
  path=${image##*>https://www.pictavo.example/}
  [ "$path" != "$image" ] || fail "a screenshot is not on the homepage: $image"
  [ -f "$source_dir/$path" ] || fail "the screenshot $path is not in the source tree"
  size=$(file -b "$source_dir/$path" | grep -o '[0-9]* x [0-9]*')
  [[ $image == *"width=\"${size% x *}\" height=\"${size#* x }\""* ]] || fail "$path is $size, not as the metainfo says"
done <<<"$images"

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
