#!/bin/sh
# Runs the server benchmarks on a private session bus with fresh data folders.
# Usage: bench/run_server_bench.sh [BUILD_DIR] [benchmark options]
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build"}
[ $# -gt 0 ] && shift
exec "$here/../tests/run_on_bus.sh" "$build/bench/server_bench" "$@"
