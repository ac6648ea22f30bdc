#!/usr/bin/env bash
# Formats every C++ source of the tree with clang-format and the .clang-format
# at the top; with --check, changes nothing and fails when a file is not
# formatted (CI runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cc' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${files[@]}"
  echo "format: ${#files[@]} files formatted"
else
  clang-format -i "${files[@]}"
fi
