#!/usr/bin/env bash
# Builds ZRForm and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
BUILD_DIR="$build_dir" scripts/build.sh "$@"
# CTEST_ARGS: more ctest options (such as -E NAME to leave tests out).
# shellcheck disable=SC2086
ctest --test-dir "$build_dir" --output-on-failure -j2 ${CTEST_ARGS:-}
