#!/usr/bin/env bash
# The main job for now: builds ZRForm, writes a sample data folder and shows
# every file in it with zrdata.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
folder=build/sample-data
rm -rf "$folder"
build/tools/zrdata sample "$folder"
for file in Password.dat Rejected.dat FormHome.dat FormWork.dat customize.dat History.txt; do
  build/tools/zrdata dump "$folder/$file"
done
