#!/usr/bin/env bash
# Debian's package checker, with its pedantic checks too, finds no error and no warning in the package that
# package-test.sh built, and every override the package carries is used.
#   lintian-test.sh OUT_DIR
set -euo pipefail
out=$1
. "$(dirname "$0")/common.sh"
need_tools lintian
debs=("$out"/pictavo_*.deb)
[ -f "${debs[0]}" ] || fail "no package was built in $out (desktop_package builds it)"
lintian --pedantic --display-info --show-overrides --tag-display-limit 0 "${debs[0]}" >"$work/lintian.log" 2>&1 ||
  true
cat "$work/lintian.log"
if grep -q '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
fi
# Only a package with the desktop program carries the help pages and their override.
if dpkg-deb -c "${debs[0]}" | grep -q '/usr/share/pictavo/help/'; then
  grep -q '^O: pictavo: package-contains-documentation-outside-usr-share-doc' "$work/lintian.log" ||
    fail "the package's lintian overrides were not read"
fi
if grep -q 'unused-override' "$work/lintian.log"; then
  fail "an override of the package is no longer needed"
fi
