#!/usr/bin/env bash
# Runs a test program on a private X display under the openbox window manager, the way a user's desktop
# holds the program's windows:  xsession.sh <program> [arguments...]
# Exits 77 (skipped) only when a tool it needs is not installed. Leaves no process behind.
set -u
for tool in Xvfb openbox xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/packages.txt lists it)"
    exit 77
  fi
done
work=$(mktemp -d)
xvfb='' wm=''
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run" "$work/home"
# The server picks a free display itself and says which.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config"
openbox --sm-disable --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do [ -e "$work/wm-ready" ] && break; sleep 0.1; done
if [ ! -e "$work/wm-ready" ]; then
  echo "openbox did not start:"; cat "$work/openbox.log"; exit 1
fi
QT_QPA_PLATFORM=xcb "$@"
