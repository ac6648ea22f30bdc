#!/bin/sh
# Packs browser/extension (or the folder given second) into build/zrform.xpi (or
# the path given first): a zip with manifest.json at its root, for installing in
# Firefox ESR with xpinstall.signatures.required set to false.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$root/build/zrform.xpi}"
folder="${2:-$root/browser/extension}"
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
rm -f "$out"
cd "$folder"
[ -f manifest.json ] || { echo "build_xpi.sh: no manifest.json in $folder" >&2; exit 1; }
zip -q -X -r "$out" . -x '.*'
echo "$out"
