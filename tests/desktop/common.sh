# Shared by the desktop tests: failing with a reason, skipping (ctest counts exit code 77 as skipped), a
# scratch folder removed at exit, and a private home so that no test touches the user's files.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

need_tools() {
  local tool missing=()
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    skip "not installed: ${missing[*]}"
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
