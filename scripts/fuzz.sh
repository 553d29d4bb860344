#!/usr/bin/env bash
# Fuzzing with libFuzzer (clang, ASan and UBSan, every library instrumented for coverage).
#
#   scripts/fuzz.sh [--time SECONDS] [--jobs N] [--timeout SECONDS] [TARGET...]
#       builds ./build-fuzz and runs every target (or the named ones) for SECONDS each (default 1800), N at a
#       time (default 2), under nice -n 19. One input may take --timeout seconds of wall time (default 10;
#       on a loaded machine a target under nice can wait that long for a processor, so give more there). Each target starts from its committed corpus and inputs that once
#       broke it, grows its own corpus in build-fuzz/corpus/<target>, writes what it finds to
#       build-fuzz/artifacts/<target>/ and its log to build-fuzz/logs/<target>.log. A table of executions per
#       second, coverage (edges and features) and findings per target ends the run.
#   scripts/fuzz.sh seeds
#       rewrites the committed seed corpora (tests/fuzz/corpus) with fuzz_make_seeds of ./build.
#   scripts/fuzz.sh report
#       the table of the last run's logs.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=$ROOT/build-fuzz

# Executions per second are given per second of wall time (what libFuzzer reports, which depends on what
# else the machine runs) and per second of the target's own CPU time.
report() {
  printf '%-16s %8s %10s %10s %8s %8s %8s  %s\n' target seconds exec/s exec/cpu-s edges features corpus findings
  local log name line secs rate runs cpu percpu cov ft corp found
  for log in "$OUT"/logs/*.log; do
    [ -f "$log" ] || continue
    name=$(basename "$log" .log)
    # The last status line carries the coverage; the final statistics the rate and the time.
    line=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
    cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$line")
    ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$line")
    corp=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<<"$line")
    rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$log" | tail -n 1)
    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
    secs=$(sed -nE 's/^Done [0-9]+ runs in ([0-9]+) second.*/\1/p' "$log" | tail -n 1)
    cpu=$(cat "$OUT/logs/$name.cpu" 2>/dev/null || true)
    percpu=-
    if [ -n "$runs" ] && [ -n "$cpu" ]; then
      percpu=$(awk -v r="$runs" -v c="$cpu" 'BEGIN { if (c > 0) printf "%d", r / c; else print "-" }')
    fi
    found=$(find "$OUT/artifacts/$name" -type f 2>/dev/null | wc -l)
    printf '%-16s %8s %10s %10s %8s %8s %8s  %s\n' "$name" "${secs:--}" "${rate:--}" "$percpu" "${cov:--}" \
      "${ft:--}" "${corp:--}" "$found"
  done
}

if [ "${1:-}" = seeds ]; then
  cmake --build build --target fuzz_make_seeds
  rm -rf tests/fuzz/corpus
  build/bin/fuzz_make_seeds tests/fuzz/corpus
  exit 0
fi
if [ "${1:-}" = report ]; then
  report
  exit 0
fi

SECONDS_EACH=1800
JOBS=2
INPUT_TIMEOUT=10
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) SECONDS_EACH=$2; shift 2 ;;
    --jobs) JOBS=$2; shift 2 ;;
    --timeout) INPUT_TIMEOUT=$2; shift 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$OUT/CMakeCache.txt" ]; then
  cmake -S . -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DPICTAVO_FUZZ=ON -DPICTAVO_BUILD_GUI=OFF "${launcher[@]}"
fi
nice -n 19 cmake --build "$OUT" --target fuzz_targets

mkdir -p "$OUT/logs" "$OUT/corpus" "$OUT/artifacts"
run_one() {
  local name=$1 seeds=$2
  local work=$OUT/corpus/$name art=$OUT/artifacts/$name
  mkdir -p "$work" "$art"
  cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  if [ -d "$ROOT/tests/fuzz/regressions/$name" ]; then
    cp -n "$ROOT/tests/fuzz/regressions/$name"/* "$work"/ 2>/dev/null || true
  fi
  echo "fuzzing $name for ${SECONDS_EACH}s"
  # A target may use at most 2 GB in all and 512 MB in one allocation.
  # The time keyword reports the CPU time of the target (user and system seconds) into its .cpu file.
  local TIMEFORMAT='%U %S'
  { time LSAN_OPTIONS=suppressions=$ROOT/scripts/lsan-suppressions.txt nice -n 19 "$OUT/bin/$name" "$work" -max_total_time="$SECONDS_EACH" -timeout="$INPUT_TIMEOUT" -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$art/" >"$OUT/logs/$name.log" 2>&1; } \
    2>&1 | awk '{ printf "%.1f\n", $1 + $2 }' >"$OUT/logs/$name.cpu" || true
}

running=0
while read -r name seeds; do
  if [ ${#TARGETS[@]} -gt 0 ] && [[ ! " ${TARGETS[*]} " =~ " $name " ]]; then
    continue
  fi
  run_one "$name" "$seeds" &
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then
    wait -n
    running=$((running - 1))
  fi
done <"$OUT/fuzz-targets.txt"
wait
report
