#!/usr/bin/env bash
# Installs the package for real with apt, as a user of Debian would, checks that the system now knows the
# file types, the thumbnailer and the programs, and removes the package again. Needs root; runs one at a
# time on a machine, and never touches a Pictavo the machine had installed already.
#   deb-install-test.sh OUT_DIR VERSION
set -euo pipefail
out=$1 version=$2
. "$(dirname "$0")/common.sh"
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
need_tools apt-get dpkg-query flock
debs=("$out"/pictavo_*.deb)
[ -f "${debs[0]}" ] || fail "no package was built in $out (desktop_package builds it)"

exec 9>/var/lock/pictavo-deb-install-test.lock
flock 9
if dpkg-query -W -f='${Status}' pictavo 2>/dev/null | grep -q 'install ok installed'; then
  skip "Pictavo is installed on this machine already"
fi
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q "$@"
}
trap 'apt_get purge pictavo >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
apt_get install --no-install-recommends "${debs[0]}" >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log" >&2
  fail "apt-get install"
}

[ "$(pictavo-cli --version)" = "pictavo-cli $version" ] || fail "the installed pictavo-cli"
[ "$(command -v pictavo-thumbnailer)" = /usr/bin/pictavo-thumbnailer ] || fail "the installed thumbnailer"
# The triggers of the MIME database and (where installed) the desktop database picked up our files.
if [ -f /usr/share/mime/globs2 ]; then
  grep -q ':application/x-pictavo-library:\*\.pctv$' /usr/share/mime/globs2 || fail ".pctv is not registered"
  grep -q ':application/x-icon-library:\*\.icl$' /usr/share/mime/globs2 || fail ".icl is not registered"
fi
if [ -f /usr/share/applications/pictavo.desktop ] && [ -f /usr/share/applications/mimeinfo.cache ]; then
  grep -q '^application/x-pictavo-library=.*pictavo.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database does not offer Pictavo for .pctv"
  # Photos and programs are offered only the import entry.
  grep -q '^image/png=.*pictavo-import.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database does not offer the import for .png"
  if grep -q '^image/png=\(.*;\)\?pictavo.desktop' /usr/share/applications/mimeinfo.cache; then
    fail "the desktop database offers Pictavo itself for .png"
  fi
fi
write_png "$work/red.png"
pictavo-cli convert "$work/red.png" "$work/red.ico" >/dev/null || fail "convert"
pictavo-cli make-icl "$work/red.icl" "$work/red.ico" >/dev/null || fail "make-icl"
check_svg_time_limit pictavo-cli
run_thumbnailer_entry /usr/share/thumbnailers/pictavo.thumbnailer 256 "$work/red.icl" "$work/red.png.out" ||
  fail "the installed thumbnailer entry"
is_png "$work/red.png.out" || fail "the thumbnail is no PNG"

apt_get purge pictavo >/dev/null 2>&1 || fail "apt-get purge"
[ ! -e /usr/bin/pictavo-cli ] || fail "pictavo-cli is left after removing the package"
if [ -f /usr/share/mime/globs2 ] && grep -q 'x-pictavo-library' /usr/share/mime/globs2; then
  fail ".pctv is still registered after removing the package"
fi
echo "installed, used and removed ${debs[0]}"
