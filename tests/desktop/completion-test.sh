#!/usr/bin/env bash
# Bash completion as the shell calls it (COMP_WORDS, COMP_CWORD): verbs, the options of a verb, the values
# an option lists, the category paths of the library on the line (also after a quote or with escaped
# spaces), and library files for the desktop program.
#   completion-test.sh SOURCE_DIR BIN_DIR
set -euo pipefail
source_dir=$1 bin_dir=$2
. "$(dirname "$0")/common.sh"
export PATH="$bin_dir:$PATH"
. "$source_dir/resources/completion/pictavo.bash"

# Completes the words (the last one is the word under the cursor) and prints the candidates, one a line.
complete_line() {
  local function=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  "$function" "${COMP_WORDS[0]}" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() {
  local what=$1 expected=$2 actual=$3
  [ "$actual" = "$expected" ] || fail "$what: expected [$expected], got [$actual]"
}

cd "$work"
pictavo-cli new "My Lib.pctv" >/dev/null
pictavo-cli mkcat "My Lib.pctv" "My Icons/Tool bar" >/dev/null

expect "verbs" "grid-export" "$(complete_line _pictavo_cli pictavo-cli gr)"
expect "verbs after --verbose" "export
export-images
export-tree" "$(complete_line _pictavo_cli pictavo-cli --verbose export)"
expect "hidden verb" "" "$(complete_line _pictavo_cli pictavo-cli __)"
expect "help VERB" "grid-export" "$(complete_line _pictavo_cli pictavo-cli help grid)"
expect "global options" "--verbose
--version" "$(complete_line _pictavo_cli pictavo-cli --ver)"
expect "options of a verb" "--category
--category-id" "$(complete_line _pictavo_cli pictavo-cli list "My\ Lib.pctv" --cat)"
expect "values of an option" "icl
icns
ico" "$(complete_line _pictavo_cli pictavo-cli export "My\ Lib.pctv" out --type ic)"
expect "standard input or output" "-" "$(complete_line _pictavo_cli pictavo-cli convert - | grep -x -- - || true)"
expect "no standard input for a library" "" \
  "$(complete_line _pictavo_cli pictavo-cli list - | grep -x -- - || true)"
expect "values of --scope" "selected
selected-and-descendants" "$(complete_line _pictavo_cli pictavo-cli find "My\ Lib.pctv" x --scope sel)"

all="Find Results
My Icons
My Icons/Sample Category 1
My Icons/Sample Category 1/Sample Subcategory 1
My Icons/Sample Category 1/Sample Subcategory 2
My Icons/Sample Category 2
My Icons/Sample Category 3
My Icons/Tool bar"
expect "categories" "$all" "$(complete_line _pictavo_cli pictavo-cli list "My\ Lib.pctv" --category "")"
expect "categories after a quote" "My Icons/Tool bar" \
  "$(complete_line _pictavo_cli pictavo-cli list "'My Lib.pctv'" --category '"My Icons/T')"
expect "categories with escaped spaces" "My Icons/Sample Category 1/Sample Subcategory 1
My Icons/Sample Category 1/Sample Subcategory 2" \
  "$(complete_line _pictavo_cli pictavo-cli list "My\ Lib.pctv" --category 'My\ Icons/Sample\ Category\ 1/')"
expect "categories of import-tree --under" "My Icons/Tool bar" \
  "$(complete_line _pictavo_cli pictavo-cli import-tree "My\ Lib.pctv" dir --under "My Icons/To")"
expect "no library on the line" "" "$(complete_line _pictavo_cli pictavo-cli list --category "")"

touch other.pctv notes.txt
mkdir folder
expect "options of pictavo" "--help" "$(complete_line _pictavo pictavo --h)"
expect "libraries for pictavo" "My Lib.pctv
other.pctv" "$(complete_line _pictavo pictavo "")"
echo "completion works"
