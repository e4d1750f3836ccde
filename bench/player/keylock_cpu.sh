#!/usr/bin/env bash
# Key lock's processor time as the program pays it: the whole process over 20 s with both decks playing at
# +6 % (build/bin/player_dj_probe on the null output, the DJ view closed, on a virtual display), key lock off
# (the resampler) against the light (SoundTouch) and the fine (Rubber Band) stretcher. Runs take turns so all
# see the same load; the figures are the ratios of the medians.
#   bench/player/keylock_cpu.sh [runs]   (default 3 runs)
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
    off=$(probe_run off 20 --play --tempo 1.06)
    light=$(probe_run light 20 --play --tempo 1.06 --keylock light)
    fine=$(probe_run fine 20 --play --tempo 1.06 --keylock fine)
    echo "run $r: key lock off ${off}%, light ${light}%, fine ${fine}% of one core"
  done
  off=$(median <"$work/off"); light=$(median <"$work/light"); fine=$(median <"$work/fine")
  awk -v o="$off" -v l="$light" -v f="$fine" -v n="$runs" "BEGIN { printf \"both decks at +6 %%, 20 s, median of %d: key lock off %s%%, light %s%%, fine %s%% of one core; light / off = %.2f, fine / off = %.2f\n\", n, o, l, f, l / o, f / o }"
'
