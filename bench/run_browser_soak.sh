#!/bin/sh
# Runs the soak through the real browsers (bench/browser_soak.mjs) on a private
# session bus with fresh data folders.
# Usage: bench/run_browser_soak.sh [BUILD_DIR] LOADS FILLS CAPTURES
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build"}
[ $# -gt 0 ] && shift
export ZRFORM_EXE="$build/app/zrform" ZRDATA_EXE="$build/tools/zrdata"
export ZRFORM_BROWSER_EXE="$build/app/zrform-browser" ZRBAR_EXE="$build/app/zrbar"
exec "$here/../tests/run_on_bus.sh" node "$here/browser_soak.mjs" "$@"
