#!/bin/sh
# Runs the two-host soak on a private session bus with fresh data folders.
# Usage: bench/run_host_soak.sh [BUILD_DIR] [PAGE_LOADS]
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build"}
[ $# -gt 0 ] && shift
exec "$here/../tests/run_on_bus.sh" "$build/bench/host_soak" "$@"
