#!/usr/bin/env bash
# Re-runs every measurement of docs/reliability.md and prints its figures:
# the fault, hostile-input, concurrency and access tests, the server and
# hostile-page benchmarks, and the fuzzing campaign (FUZZ_SECONDS per target,
# 60 by default). The whole log is kept in build/reliability.log.
set -euo pipefail
cd "$(dirname "$0")/.."
log=build/reliability.log
scripts/build.sh
{
  echo "== fault, hostile-input, concurrency and access tests"
  ctest --test-dir build -V -R \
    'SaveFaults|KilledSave|DurableSave|DataFolder|ServerFaults|Trust|RemotePage|ASaveThatFails|LongValues|FuzzRegression'
  echo "== server benchmarks"
  bench/run_server_bench.sh build
  echo "== hostile pages"
  build/bench/hostile_pages_bench
  echo "== fuzzing"
  scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
} 2>&1 | tee "$log" | grep -E --line-buffered \
  'figures|^[0-9 ]+: (load:|server |another |store after|.*killed)|tests passed|Test +#.*(Failed|Skipped)|BM_|^[a-z_]+: |fuzz' || true
echo "full log: $log"
