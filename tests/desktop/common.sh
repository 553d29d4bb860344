# Shared by the desktop tests: failing with a reason, skipping where a test cannot apply to this machine
# (ctest counts exit code 77 as skipped), a scratch folder removed at exit, and a private home so that no
# test touches the user's files.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

# A tool a test needs and cannot find fails it: scripts/install-deps.sh and scripts/install-check-deps.sh
# install them all.
need_tools() {
  local tool missing=()
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    fail "not installed: ${missing[*]} (./test.sh installs every tool the tests need)"
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
mkdir -p "$HOME"

# A 1 x 1 red PNG picture.
write_png() {
  printf '\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x06\x00\x00\x00\x1f\x15\xc4\x89\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\xf0\x1f\x00\x05\x00\x01\xff\x89\x99\x3d\x1d\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82' >"$1"
}

# An SVG drawing that takes minutes to draw: thousands of elements that each fill a large canvas with
# noise and blur it.
write_slow_svg() {
  {
    printf '<svg xmlns="http://www.w3.org/2000/svg" width="1024" height="1024"><defs>'
    printf '<filter id="f" x="0" y="0" width="1" height="1"><feTurbulence baseFrequency="0.01" numOctaves="8"/>'
    printf '<feGaussianBlur stdDeviation="40"/></filter></defs>'
    for _ in $(seq 2000); do printf '<rect width="1024" height="1024" filter="url(#f)"/>'; done
    printf '</svg>'
  } >"$1"
}

# Converts a slow drawing with a short time limit: the helper process the program draws in must be found
# and stop it with the sentence and status 1.
check_svg_time_limit() {
  local cli=$1 out
  write_slow_svg "$work/slow.svg"
  if out=$(PICTAVO_SVG_TIME_LIMIT=0.5 "$cli" convert "$work/slow.svg" "$work/slow.ico" 2>&1); then
    fail "a slow drawing was not stopped"
  fi
  [[ $out == *"drawing the SVG took longer than 0.5 seconds"* ]] || fail "the slow drawing: $out"
  printf '<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"><rect width="8" height="8"/></svg>' \
    >"$work/small.svg"
  "$cli" convert "$work/small.svg" "$work/small.icns" >/dev/null || fail "convert of an SVG"
}

# True when the file begins with the PNG signature.
is_png() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ]
}

# Runs a thumbnailer entry's Exec line the way a file manager does: split into words, %s, %i and %o
# replaced, the program looked for on PATH.
run_thumbnailer_entry() {
  local entry=$1 size=$2 input=$3 output=$4 exec_line word args=()
  exec_line=$(sed -n 's/^Exec=//p' "$entry")
  for word in $exec_line; do
    case $word in
      %s) args+=("$size") ;;
      %i) args+=("$input") ;;
      %o) args+=("$output") ;;
      *) args+=("$word") ;;
    esac
  done
  "${args[@]}"
}
