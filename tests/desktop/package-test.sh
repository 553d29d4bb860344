#!/usr/bin/env bash
# Builds the Debian package of this build with CPack and looks into it: everything under /usr, owned by
# root, binaries stripped, the dependencies worked out from the linked libraries, and the documents Debian
# asks for. The package stays in OUT_DIR for the tests that check and install it.
#   package-test.sh BUILD_DIR OUT_DIR gui|nogui
set -euo pipefail
build=$1 out=$2 gui=$3
. "$(dirname "$0")/common.sh"
need_tools cpack dpkg-deb dpkg-shlibdeps file readelf

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack"
}
debs=("$out"/pictavo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $out"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsqlite3-0 libpng16-16 librsvg2-2; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
if [ "$gui" = gui ]; then
  [[ $depends == *libqt6widgets6* ]] || fail "Depends lacks libqt6widgets6: $depends"
fi
[ "$(dpkg-deb -f "$deb" Package)" = pictavo ] || fail "package name"

dpkg-deb -c "$deb" >"$work/contents"
awk '{ print $6 }' "$work/contents" | grep -v '^\./usr/' | grep -v '^\./$' && fail "files outside /usr"
awk '{ print $2 }' "$work/contents" | grep -v '^root/root$' && fail "files not owned by root"
for file in ./usr/bin/pictavo-cli ./usr/bin/pictavo-thumbnailer ./usr/libexec/pictavo/pictavo-svg-worker \
            ./usr/share/pictavo/Template.icl \
            ./usr/share/doc/pictavo/copyright ./usr/share/doc/pictavo/changelog.gz \
            ./usr/share/man/man1/pictavo-cli.1.gz ./usr/share/thumbnailers/pictavo.thumbnailer; do
  grep -q " $file\$" "$work/contents" || fail "$file is not in the package"
done

dpkg-deb -x "$deb" "$work/root"
grep -q '^License: Expat$' "$work/root/usr/share/doc/pictavo/copyright" || fail "copyright names no licence"
for program in "$work"/root/usr/bin/* "$work"/root/usr/libexec/pictavo/*; do
  file "$program" | grep -q ', stripped' || fail "$(basename "$program") is not stripped"
  if readelf -p .comment "$program" 2>/dev/null | grep -q 'GCC'; then
    fail "$(basename "$program") keeps the compiler's notes in .comment"
  fi
done
echo "built $deb"
