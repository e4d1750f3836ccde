#!/usr/bin/env bash
# The DJ view's processor time: the whole process over 20 s with both decks playing, the view open against
# the view closed (build/bin/player_dj_probe on the null output, software drawing on a virtual display), and
# the same with nothing playing over 10 s. Runs take turns, the view open first every other round (the second of
# a pair measured a few hundredths of a point higher either way), so both see the same load; the figures are
# the ratios of the medians.
#   bench/player/dj_cpu.sh [runs]   (default 3 runs; the probe writes two 3-minute 44.1 kHz songs)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" top runs work
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source "$top/bench/player/cpu_lib.sh"
  for ((r = 1; r <= runs; ++r)); do
    if ((r % 2)); then
      c=$(probe_run closed 20 --play); o=$(probe_run open 20 --dj --play)
      ic=$(probe_run idleclosed 10); io=$(probe_run idleopen 10 --dj)
    else
      o=$(probe_run open 20 --dj --play); c=$(probe_run closed 20 --play)
      io=$(probe_run idleopen 10 --dj); ic=$(probe_run idleclosed 10)
    fi
    echo "run $r: playing closed ${c}% open ${o}%; idle closed ${ic}% open ${io}%"
  done
  c=$(median <"$work/closed"); o=$(median <"$work/open")
  ic=$(median <"$work/idleclosed"); io=$(median <"$work/idleopen")
  awk -v c="$c" -v o="$o" -v n="$runs" "BEGIN { printf \"both decks playing, 20 s, median of %d: view closed %s%%, open %s%% of one core; open / closed = %.2f\n\", n, c, o, o / c }"
  awk -v c="$ic" -v o="$io" "BEGIN { printf \"nothing playing, 10 s: view closed %s%%, open %s%%; difference %.3f points\n\", c, o, o - c }"
'
