#!/bin/sh
# Packs browser/extension into build/zrform.xpi (a zip with manifest.json at its
# root) for installing in Firefox ESR.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$root/build/zrform.xpi}"
mkdir -p "$(dirname "$out")"
rm -f "$out"
cd "$root/browser/extension"
zip -q -X -r "$out" . -x '.*'
echo "$out"
