#!/usr/bin/env bash
# Debian's package checker finds no error in the package that package-test.sh built.
#   lintian-test.sh OUT_DIR
set -euo pipefail
out=$1
. "$(dirname "$0")/common.sh"
need_tools lintian
debs=("$out"/pictavo_*.deb)
[ -f "${debs[0]}" ] || fail "no package was built in $out (desktop_package builds it)"
lintian --tag-display-limit 0 "${debs[0]}" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then
  fail "lintian reports errors"
fi
