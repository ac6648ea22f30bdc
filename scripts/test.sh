#!/usr/bin/env bash
# Builds ZRForm and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
BUILD_DIR="$build_dir" scripts/build.sh "$@"
ctest --test-dir "$build_dir" --output-on-failure -j2
