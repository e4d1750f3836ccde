#!/usr/bin/env bash
# Idle figure: processor time of Deckmora with its main window shown and no song playing, over 10 s, as a share of
# one core, on a virtual display; split into the UI thread and the rest (the audio engine's threads).
#   bench/player/idle_cpu.sh   (needs build/bin/deckmora)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# a second run: no welcome window, the splash goes straight on to the main window
mkdir -p "$config/olvane"
printf '[Runnings]\nNow=1\n' >"$config/olvane/deckmora.ini"
export XDG_CONFIG_HOME="$config" top
xvfb-run -a bash -c '
  "$top/build/bin/deckmora" >/dev/null 2>&1 &
  pid=$!
  sleep 9   # the splash steps its bar for about 5 s
  hz=$(getconf CLK_TCK)
  all() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  ui() { awk "{ print \$14 + \$15 }" /proc/$pid/task/$pid/stat; }
  a=$(all); u=$(ui); sleep 10; b=$(all); v=$(ui)
  kill $pid
  awk -v t=$((b - a)) -v ui=$((v - u)) -v hz=$hz "BEGIN {
    printf \"idle main window: %.2f%% of one core over 10 s (UI thread %.2f%%, other threads %.2f%%)\n\",
           100 * t / hz / 10, 100 * ui / hz / 10, 100 * (t - ui) / hz / 10 }"'
