#!/usr/bin/env bash
# Idle figure: processor time of Deckmora with its main window shown and no song playing, over 10 s, as a share of
# one core, on a virtual display and the null output; split into the UI thread and the rest (the audio engine's
# threads). Where qmmp (a skinned Qt audio player) is installed, it is measured idle in the same runs, taking
# turns with Deckmora, so both see the same load on the machine. The baseline of the same runs is the least a
# Qt window spends on the same sight (build/bin/player_scroll_floor: two labels scrolled 30 times a second, and
# its timer alone); Deckmora's figure is reported as a ratio to it.
# BASELINE=<another deckmora binary> measures that one too, in the same runs (say, a build from before a change).
#   bench/player/idle_cpu.sh [runs]   (default 5; needs build/bin/deckmora)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# a second run: no welcome window, the splash goes straight on to the main window
mkdir -p "$work/config/olvane"
printf '[Runnings]\nNow=1\n' >"$work/config/olvane/deckmora.ini"
export XDG_CONFIG_HOME="$work/config" top runs work BASELINE="${BASELINE:-}"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source "$top/bench/player/cpu_lib.sh"
  for ((r = 1; r <= runs; ++r)); do
    "$top/build/bin/deckmora" >/dev/null 2>&1 &
    pid=$!
    sleep 9   # the splash steps its bar for about 5 s
    read -r all ui < <(measure $pid 10)
    kill $pid; wait $pid 2>/dev/null || true
    echo "$all" >>"$work/deckmora.all"; echo "$ui" >>"$work/deckmora.ui"
    line="run $r: deckmora ${all}% (UI thread ${ui}%)"
    for mode in "" --still; do
      "$top/build/bin/player_scroll_floor" $mode >/dev/null 2>&1 &
      pid=$!
      sleep 2
      read -r all ui < <(measure $pid 10)
      kill $pid; wait $pid 2>/dev/null || true
      echo "$all" >>"$work/floor${mode}.all"
      line="$line, Qt floor${mode:+ (timer only)} ${all}%"
    done
    if [ -n "$BASELINE" ]; then
      "$BASELINE" >/dev/null 2>&1 &
      pid=$!
      sleep 9
      read -r all ui < <(measure $pid 10)
      kill $pid; wait $pid 2>/dev/null || true
      echo "$all" >>"$work/baseline.all"
      line="$line, baseline ${all}%"
    fi
    if peer_available; then
      rm -rf "$work/peer"; pid=$(peer_start "$work/peer")
      sleep 5
      read -r all ui < <(measure $pid 10)
      kill $pid; wait $pid 2>/dev/null || true
      echo "$all" >>"$work/peer.all"
      line="$line, qmmp ${all}%"
    fi
    echo "$line"
  done
  printf "idle main window over 10 s, median of %d: %s%% of one core (UI thread %s%%)\n" $runs \
    "$(median <"$work/deckmora.all")" "$(median <"$work/deckmora.ui")"
  d=$(median <"$work/deckmora.all"); f=$(median <"$work/floor.all")
  awk -v d="$d" -v f="$f" -v t="$(median <"$work/floor--still.all")" "BEGIN {
    printf \"a bare Qt window scrolling two labels alike: %s%% (its timer alone %s%%); deckmora / it = %.2f\n\", f, t, d / f }"
  [ -z "$BASELINE" ] || printf "baseline %s, median of %d: %s%% of one core\n" "$BASELINE" $runs \
    "$(median <"$work/baseline.all")"
  if peer_available; then
    printf "qmmp idle (skinned face, null output), median of %d: %s%% of one core\n" $runs "$(median <"$work/peer.all")"
  else
    echo "qmmp is not installed: no peer figure (apt-get install --no-install-recommends qmmp)"
  fi
'
