#!/bin/sh
# Runs a test program on a private session bus of its own, with fresh
# XDG_DATA_HOME and XDG_CONFIG_HOME folders (so activation files, data files and
# the registry hives of one run never meet another's), and removes them after.
set -u
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zrbus.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$scratch/data" "$scratch/config"
export XDG_DATA_HOME="$scratch/data"
export XDG_CONFIG_HOME="$scratch/config"
export ZR_TEST_SCRATCH="$scratch"
: "${QT_QPA_PLATFORM:=offscreen}"
export QT_QPA_PLATFORM
dbus-run-session -- "$@"
