#!/usr/bin/env bash
# Installs the build into a scratch prefix, as any user can, and then uses only the installed files: the
# programs find their data and their SVG helper under the prefix (not in the build folder), convert and
# write icon libraries, the thumbnailer runs from its installed entry, the manual pages cover every verb and
# render without warnings, name every variable the programs read, and the completion loads.
#   install-test.sh BUILD_DIR VERSION gui|nogui SOURCE_DIR
set -euo pipefail
build=$1 version=$2 gui=$3 source_dir=$4
. "$(dirname "$0")/common.sh"
need_tools groff

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

files=(bin/pictavo-cli bin/pictavo-thumbnailer libexec/pictavo/pictavo-svg-worker share/pictavo/Template.icl share/mime/packages/pictavo.xml
       share/thumbnailers/pictavo.thumbnailer share/man/man1/pictavo-cli.1.gz
       share/man/man1/pictavo-thumbnailer.1.gz share/bash-completion/completions/pictavo-cli
       share/bash-completion/completions/pictavo share/doc/pictavo/copyright share/doc/pictavo/changelog.gz)
if [ "$gui" = gui ]; then
  files+=(bin/pictavo share/applications/pictavo.desktop share/applications/pictavo-import.desktop
          share/metainfo/example.pictavo.Pictavo.metainfo.xml
          share/man/man1/pictavo.1.gz share/pictavo/Images/IDR_MAINFRAME.png share/pictavo/Images/pictavo.png
          share/pictavo/help/index.html)
  for size in 16 22 24 32 48 64 128 256 512; do
    files+=("share/icons/hicolor/${size}x${size}/apps/pictavo.png"
            "share/icons/hicolor/${size}x${size}/mimetypes/application-x-pictavo-library.png")
  done
fi
for file in "${files[@]}"; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done

cd "$work"
cli=$prefix/bin/pictavo-cli
[ "$("$cli" --version)" = "pictavo-cli $version" ] || fail "pictavo-cli --version says '$("$cli" --version)'"
if [ "$gui" = gui ]; then
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/pictavo" --version)" = "pictavo $version" ] ||
    fail "pictavo --version"
fi

# A conversion and an icon library written from the installed files: the library starts from the
# installed Template.icl, and without it the tool refuses.
write_png red.png
"$cli" convert red.png red.ico >/dev/null || fail "convert"
"$cli" make-icl red.icl red.ico >/dev/null || fail "make-icl with the installed Template.icl"
"$cli" info red.icl | grep "PE module, 1 icon group" >/dev/null || fail "the written library: $("$cli" info red.icl)"
mv "$prefix/share/pictavo/Template.icl" "$work/Template.icl"
if "$cli" make-icl other.icl red.ico >/dev/null 2>&1; then
  fail "make-icl found a Template.icl outside the prefix"
fi
mv "$work/Template.icl" "$prefix/share/pictavo/Template.icl"
# SVG drawings are drawn in the installed helper, with its time limit.
check_svg_time_limit "$cli"

# The thumbnailer as a file manager runs it from the installed entry.
for input in red.ico red.icl; do
  PATH="$prefix/bin:$PATH" run_thumbnailer_entry "$prefix/share/thumbnailers/pictavo.thumbnailer" 128 \
    "$work/$input" "$work/$input.png" || fail "thumbnail of $input"
  is_png "$input.png" || fail "the thumbnail of $input is no PNG"
done

# Every verb has its entry in the manual page, and the pages render without a warning.
while read -r verb; do
  zcat "$prefix/share/man/man1/pictavo-cli.1.gz" | grep -F "\\fB${verb//-/\\-}\\fR" >/dev/null ||
    fail "no verb $verb in pictavo-cli(1)"
done < <("$cli" help | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
# The sections kept beside the help texts; each variable the code reads is explained under ENVIRONMENT.
pages=(pictavo-cli)
[ "$gui" = gui ] && pages+=(pictavo)
variables=$(grep -rhoE '(getenv|EnvValue|ZsGetXdgFolder)\("[A-Z_]+"' "$source_dir/src" | sed 's/.*("//; s/"$//' | sort -u)
[[ $variables == *XDG_STATE_HOME* ]] || fail "the variables read were not found in $source_dir/src"
for name in "${pages[@]}"; do
  zcat "$prefix/share/man/man1/$name.1.gz" >"$work/$name.1"
  for section in ENVIRONMENT FILES EXAMPLES; do
    grep -qx "\.SH $section" "$work/$name.1" || fail "$name(1) has no $section section"
  done
  environment=$(sed -n '/^\.SH ENVIRONMENT$/,/^\.SH /p' "$work/$name.1")
  for variable in $variables; do
    grep -qF "\\fB$variable\\fR" <<<"$environment" || fail "$name(1) does not explain $variable"
  done
done
for page in "$prefix"/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

bash -c ". '$prefix/share/bash-completion/completions/pictavo-cli' && complete -p pictavo-cli pictavo" \
  >/dev/null || fail "the completion does not load"
echo "installed and used from $prefix"
