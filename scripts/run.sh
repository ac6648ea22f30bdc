#!/usr/bin/env bash
# The main job: builds ZRForm, registers the server in your desktop session and
# shows it at work with zrbar, the command-line toolbar, on the pages in demo/:
# a login is recorded (the remember prompt opens on your display: answer Yes),
# filled back into the empty page (pick it in the selection window: Login), and
# a sign-up page is filled from the Home profile.
# Without a session bus (a bare machine) it runs on a private bus with a
# scratch data folder holding sample data; the windows then cannot open and
# count as cancelled, which the server says on standard error.
# Then the browser client: installs the browser host and, with a display,
# opens Chromium (or Firefox ESR) with the extension on a demonstration site
# on 127.0.0.1; without one, runs that flow in a headless browser on a virtual
# display and saves pictures under build/demo-out/ (demo/browser_demo.mjs).
# ZR_DEMO_HEADLESS=1 takes the headless way even with a display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ -z "${ZR_DEMO_INNER:-}" ]; then
  scripts/build.sh
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ -S "/run/user/$(id -u)/bus" ]; then
    export DBUS_SESSION_BUS_ADDRESS="unix:path=/run/user/$(id -u)/bus"
  fi
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    echo "No session bus: running the demonstration on a private bus with sample data."
    scratch="$root/build/demo-home"
    rm -rf "$scratch"
    mkdir -p "$scratch/data/Zorvane" "$scratch/config"
    export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
    build/tools/zrdata sample "$XDG_DATA_HOME/Zorvane/ToolBar" >/dev/null
    ZR_DEMO_INNER=1 exec dbus-run-session -- "$0"
  fi
fi

zrbar=build/tools/zrbar
out=build/demo-out
mkdir -p "$out"
step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}"; }
# Shows the value attributes of the named inputs of a filled page.
values() { grep -o -E "name=\"($1)\"[^>]*value=\"[^\"]*\"" "$2" || echo "(nothing filled)"; }

step "Register the server in this session" build/app/zrform -RegServer
# An activated server gets the bus's environment: hand it the display.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  dbus-update-activation-environment DISPLAY XAUTHORITY WAYLAND_DISPLAY 2>/dev/null || true
fi

url=https://mail.demo.example/signin
step "Record the login of a submitted page (answer Yes in the window)" \
  $zrbar record demo/login.html --url "$url"
step "Fill it back into the empty page (choose it and press Login)" \
  $zrbar fill demo/login_blank.html --type password --url "$url" --out "$out/login_filled.html"
values 'login' "$out/login_filled.html"
if grep -q -E 'name="passwd"[^>]*value="[^"]+"' "$out/login_filled.html"; then
  echo 'name="passwd" filled (not shown)'
fi
step "Is a password stored for the site?" $zrbar find-password "$url"
step "Fill a sign-up page from the Home profile" \
  $zrbar fill demo/signup.html --type home --force --url https://shop.demo.example/join \
  --out "$out/signup_filled.html"
values 'first_name|last_name|email|street_address|city|postcode' "$out/signup_filled.html"
if ! grep -q -E 'name="(first_name|city)"[^>]*value="[^"]+"' "$out/signup_filled.html"; then
  echo "(Your Home profile is empty: fill it in with '$zrbar form-manager' and run again.)"
fi
step "Keep a history entry for the toolbar" $zrbar history add "demo.example" 1
step "The history list" $zrbar history list

# The browser client, when node, the test harness's packages (scripts/setup.sh)
# and a browser are there.
browser_demo() {
  if ! command -v node >/dev/null || [ ! -d tests/browser_e2e/node_modules/puppeteer-core ] ||
     { [ ! -x /usr/bin/chromium ] && [ ! -x /usr/bin/firefox-esr ]; }; then
    echo "(No node, browser or tests/browser_e2e/node_modules: run scripts/setup.sh for the browser demonstration.)"
    return
  fi
  step "Install the browser host for your browsers" build/browser/host/zrform-browser install
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${ZR_DEMO_HEADLESS:-}" ]; then
    node demo/browser_demo.mjs --interactive
  else
    # A private bus and data folder of its own: the server it starts shows its
    # windows on the demonstration's virtual display.
    local scratch="$root/build/demo-browser-home"
    rm -rf "$scratch"
    mkdir -p "$scratch/data" "$scratch/config"
    XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" ZR_TEST_SCRATCH="$scratch" \
      dbus-run-session -- node demo/browser_demo.mjs 2> >(grep -v -e 'dbus-daemon\[' -e QStandardPaths >&2)
  fi
}
browser_demo

cat <<TEXT

Filled pages: $out/login_filled.html, $out/signup_filled.html
Open the Login Manager:  $zrbar password-manager
Open the Form Manager:   $zrbar form-manager   (your Home and Work profiles)
The server ends by itself 5 seconds after its last call.
The browser extension: see "Use it in your browser" in README.md.
TEXT
