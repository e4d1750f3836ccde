#!/usr/bin/env bash
# Out of sight: the main window with one song playing (build/bin/player_play_probe), measured over 10 s shown,
# minimised and wholly covered by another window, with the virtual display's own processor time beside it:
# the X server works only for what a client paints, so a window that paints nothing leaves it idle. Minimising
# needs a window manager: openbox is used when installed, else that case is left out.
#   bench/player/hidden_cpu.sh [runs]   (default 3)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/song.wav" synth 180 sine 440 vol 0.3
export XDG_CONFIG_HOME="$work/config" top runs work
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source "$top/bench/player/cpu_lib.sh"
  xserver=$(pgrep -P $PPID -x Xvfb)
  probe="$top/build/bin/player_play_probe"
  wm=
  if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & wm=$!; sleep 1; fi
  for ((r = 1; r <= runs; ++r)); do
    "$probe" "$work/song.wav" >"$work/probe.out" 2>/dev/null &
    pid=$!
    wait_line "$work/probe.out" ready 20
    sleep 2
    read -r all ui x < <(measure_pair $pid $xserver 10)
    echo "$all $x" >>"$work/shown"
    line="run $r: shown ${all}% (X server ${x}%)"
    if [ -n "$wm" ]; then
      win=$(xdotool search --onlyvisible --pid $pid | head -1)
      xdotool windowminimize --sync "$win"
      sleep 1
      read -r all ui x < <(measure_pair $pid $xserver 10)
      echo "$all $x" >>"$work/minimised"
      line="$line, minimised ${all}% (X server ${x}%)"
      xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowmap --sync "$win"
      sleep 1
    fi
    "$probe" --cover >"$work/cover.out" 2>/dev/null &
    cover=$!
    wait_line "$work/cover.out" ready 20
    sleep 1
    read -r all ui x < <(measure_pair $pid $xserver 10)
    echo "$all $x" >>"$work/covered"
    echo "$line, covered ${all}% (X server ${x}%)"
    kill $cover $pid; wait $cover $pid 2>/dev/null || true
  done
  for s in shown minimised covered; do
    [ -f "$work/$s" ] || { echo "$s: not measured (no window manager)"; continue; }
    printf "%s, median of %d: deckmora %s%% of one core, X server %s%%\n" $s $runs \
      "$(cut -d" " -f1 "$work/$s" | median)" "$(cut -d" " -f2 "$work/$s" | median)"
  done
  [ -z "$wm" ] || kill $wm
'
