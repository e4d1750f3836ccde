#!/usr/bin/env bash
# One song playing: processor time over 10 s of Deckmora'"'"'s main window with one song playing in deck 0
# (build/bin/player_play_probe: the real window on the program'"'"'s own engine, on the null output), against qmmp
# (a skinned Qt audio player, on its null output) playing the same file on the same virtual display. Runs take
# turns, so both see the same load; the figure is the ratio of the medians. Without qmmp it says so and
# measures Deckmora alone.
#   bench/player/play_cpu.sh [runs] [song]   (default 5 runs; a 3-minute 44.1 kHz WAV made with sox)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
song=${2:-$work/song.wav}
[ -f "$song" ] || sox -n -r 44100 -c 2 -b 16 "$song" synth 180 sine 440 vol 0.3
export XDG_CONFIG_HOME="$work/config" top runs work song
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source "$top/bench/player/cpu_lib.sh"
  for ((r = 1; r <= runs; ++r)); do
    "$top/build/bin/player_play_probe" "$song" >"$work/probe.out" 2>/dev/null &
    pid=$!
    wait_line "$work/probe.out" ready 20
    sleep 2
    read -r all ui < <(measure $pid 10)
    kill $pid; wait $pid 2>/dev/null || true
    echo "$all" >>"$work/deckmora.all"; echo "$ui" >>"$work/deckmora.ui"
    line="run $r: deckmora ${all}% (UI thread ${ui}%)"
    if peer_available; then
      rm -rf "$work/peer"; pid=$(peer_start "$work/peer" "$song")
      sleep 5
      read -r all ui < <(measure $pid 10)
      kill $pid; wait $pid 2>/dev/null || true
      echo "$all" >>"$work/peer.all"
      line="$line, qmmp ${all}% (UI thread ${ui}%)"
    fi
    echo "$line"
  done
  d=$(median <"$work/deckmora.all")
  printf "one song playing over 10 s, median of %d: deckmora %s%% of one core (UI thread %s%%)\n" $runs "$d" \
    "$(median <"$work/deckmora.ui")"
  if peer_available; then
    p=$(median <"$work/peer.all")
    awk -v d="$d" -v p="$p" "BEGIN { printf \"qmmp playing the same file: %s%% of one core; deckmora / qmmp = %.2f\n\", p, d / p }"
  else
    echo "qmmp is not installed: no peer figure (apt-get install --no-install-recommends qmmp)"
  fi
'
