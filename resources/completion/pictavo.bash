# Bash completion of pictavo-cli (verbs, options, option values and the category paths of a library) and of
# pictavo (its options and library files). Verbs and options come from the tool's own help, so they are
# always those of the tool that is installed.

# A word as the shell will hand it to the program: quotes removed, backslash escapes resolved. Nothing in
# it is run or expanded.
_pictavo_dequote() {
  local s=$1 out= quote= c i
  for ((i = 0; i < ${#s}; i++)); do
    c=${s:i:1}
    if [[ $quote == "'" ]]; then
      if [[ $c == "'" ]]; then quote=; else out+=$c; fi
    elif [[ $c == '\' ]]; then
      ((i++))
      out+=${s:i:1}
    elif [[ $quote == '"' ]]; then
      if [[ $c == '"' ]]; then quote=; else out+=$c; fi
    elif [[ $c == "'" || $c == '"' ]]; then
      quote=$c
    else
      out+=$c
    fi
  done
  printf '%s' "$out"
}

# The verbs of the usage text on stdin: the first word of each line indented by exactly two spaces.
_pictavo_verbs() {
  local line
  while IFS= read -r line; do
    if [[ $line =~ ^\ \ ([a-z][a-z-]*) ]]; then
      printf '%s\n' "${BASH_REMATCH[1]}"
    fi
  done
}

# Adds the lines of stdin that begin with the word to COMPREPLY.
_pictavo_add_matching() {
  local word=$1 line
  while IFS= read -r line; do
    if [[ $line == "$word"* ]]; then
      COMPREPLY+=("$line")
    fi
  done
}

_pictavo_cli() {
  local cmd=$1 cur=${COMP_WORDS[COMP_CWORD]} prev= verb= i first=0
  COMPREPLY=()
  if ((COMP_CWORD > 0)); then
    prev=${COMP_WORDS[COMP_CWORD - 1]}
  fi
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --verbose | --yes | --json | -q | --quiet) ;;
      *)
        verb=${COMP_WORDS[i]}
        first=$((i + 1))
        break
        ;;
    esac
  done

  if [[ -z $verb ]]; then
    if [[ $cur == -* ]]; then
      _pictavo_add_matching "$cur" < <(printf '%s\n' --verbose --quiet --yes --json --version --help)
    else
      _pictavo_add_matching "$cur" < <(printf 'help\n'; "$cmd" help 2>/dev/null | _pictavo_verbs)
    fi
    return 0
  fi
  if [[ $verb == help ]]; then
    if ((COMP_CWORD == first)); then
      _pictavo_add_matching "$cur" < <("$cmd" help 2>/dev/null | _pictavo_verbs)
    fi
    return 0
  fi

  local usage
  usage=$("$cmd" help "$verb" 2>/dev/null) || return 0
  case $prev in
    --category | --under)
      # The library is the first argument after the verb that names a file the tool opens as one.
      local word paths
      for ((i = first; i < COMP_CWORD; i++)); do
        word=$(_pictavo_dequote "${COMP_WORDS[i]}")
        if [[ $word != -* && -f $word ]] && paths=$("$cmd" __categories "$word" 2>/dev/null); then
          compopt -o filenames 2>/dev/null
          _pictavo_add_matching "$(_pictavo_dequote "$cur")" <<<"$paths"
          break
        fi
      done
      return 0
      ;;
    --*)
      # An option whose synopsis lists its values as a|b|c.
      local values
      values=$(grep -o -- "$prev [a-z][a-z-]*\(|[a-z][a-z-]*\)\+" <<<"$usage" | head -n 1)
      if [[ -n $values ]]; then
        _pictavo_add_matching "$cur" < <(tr '|' '\n' <<<"${values#"$prev "}")
        return 0
      fi
      ;;
  esac
  if [[ $cur == -* ]]; then
    _pictavo_add_matching "$cur" < <({
      grep -o -- '--[a-z][a-z-]*' <<<"$usage"
      printf '%s\n' --help --json --quiet --verbose --yes
      # "-" where the verb's help says it reads or writes standard input or output.
      if grep -q '"-"' <<<"$usage"; then
        printf '%s\n' -
      fi
    } | sort -u)
    return 0
  fi
  compopt -o default 2>/dev/null
}

_pictavo() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if [[ $cur == -* ]]; then
    _pictavo_add_matching "$cur" < <(printf '%s\n' --help --version)
    return 0
  fi
  compopt -o filenames -o plusdirs 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -X '!*.[pP][cC][tT][vV]' -- "$(_pictavo_dequote "$cur")")
}

complete -F _pictavo_cli pictavo-cli
complete -F _pictavo pictavo
