#!/usr/bin/env bash
# Installs what building and testing ZRForm needs on Debian 12 (as root, or
# through sudo), and generates the locales that the tests use.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libgcrypt20-dev libxml2-dev libcsv-dev qt6-base-dev qt6-base-dev-tools libxcb1-dev locales
          dbus-daemon dbus-bin xvfb xdotool x11-utils x11-apps clang clang-format libclang-rt-14-dev
          chromium firefox-esr nodejs zip)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# en_US.UTF-8 for the locale-ordering tests, en_US (ISO-8859-1) for a
# single-byte code page, ja_JP.EUC-JP for a multibyte one.
need_locales=0
for wanted in en_US.utf8 en_US.iso88591 ja_JP.eucjp; do
  locale -a 2>/dev/null | grep -qix "$wanted" || need_locales=1
done
if [ "$need_locales" -eq 1 ]; then
  as_root sed -i -e 's/^# *\(en_US.UTF-8 UTF-8\)$/\1/' -e 's/^# *\(en_US ISO-8859-1\)$/\1/' \
    -e 's/^# *\(ja_JP.EUC-JP EUC-JP\)$/\1/' /etc/locale.gen
  as_root locale-gen
fi

# The browser tests' pinned node packages; the browsers come from apt above.
root=$(cd "$(dirname "$0")/.." && pwd)
(cd "$root/tests/browser_e2e" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund)
