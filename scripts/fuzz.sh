#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer
# and UndefinedBehaviorSanitizer) into build-fuzz/, then runs each target for
# SECONDS_PER_TARGET seconds (default 15) from a copy of its seed corpus in
# tests/fuzz/<target>/ (tests/ is never written). Prints one line per target
# and writes them to build-fuzz/fuzz-summary.txt; exits non-zero when any
# target crashed, leaked, tripped a sanitizer or an invariant, or timed out.
# Inputs that fail are left in build-fuzz/fuzz-runs/<target>/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-15}"
build_dir=build-fuzz
runs_dir="$build_dir/fuzz-runs"
summary="$build_dir/fuzz-summary.txt"

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DZRFORM_FUZZ=ON -DZRFORM_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 --target fuzz_targets

# The longest input each target is given: pages are long, patterns and
# command lines short; data files in between.
max_len_of() {
  case "$1" in
    html_fill_capture) echo 32768 ;;
    regexp | pattern_list | command_line) echo 4096 ;;
    *) echo 8192 ;;
  esac
}

# The last "cov: N ft: M corp: K/..." figures of a libFuzzer log.
last_figure() { grep -o "$2: [0-9]*" "$1" | tail -n 1 | awk '{print $2}'; }

mkdir -p "$runs_dir"
: >"$summary"
failed=0
total_runs=0
for source in fuzz/*_fuzzer.cc; do
  target=$(basename "$source" _fuzzer.cc)
  work="$runs_dir/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  # Seeds and kept regressions, flattened (regressions/x becomes regressions_x).
  (cd "tests/fuzz/$target" && find . -type f -printf '%P\n') | while read -r file; do
    cp "tests/fuzz/$target/$file" "$work/corpus/${file//\//_}"
  done
  options=(-max_total_time="$seconds" -max_len="$(max_len_of "$target")" -timeout=10
           -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/")
  if [ -f "fuzz/$target.dict" ]; then options+=(-dict="fuzz/$target.dict"); fi
  status=0
  "$build_dir/fuzz/${target}_fuzzer" "$work/corpus" "${options[@]}" >"$work/log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/log" | awk '{print $2}')
  runs=${runs:-0}
  total_runs=$((total_runs + runs))
  findings=$(find "$work/artifacts" -type f | wc -l)
  verdict=ok
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    verdict="FAILED (exit $status, see $work/log)"
    failed=1
  fi
  printf '%-20s runs %9s  cov %5s  ft %6s  corpus %5s  crashes %s  %s\n' "$target" "$runs" \
    "$(last_figure "$work/log" cov)" "$(last_figure "$work/log" ft)" \
    "$(last_figure "$work/log" corp)" "$findings" "$verdict" | tee -a "$summary"
done
printf 'total runs %s in %s s per target\n' "$total_runs" "$seconds" | tee -a "$summary"
exit "$failed"
