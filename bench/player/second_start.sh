#!/usr/bin/env bash
# A second start that hands its paths to the running Deckmora: wall time from its start to its end, against
# the baseline of a bare start that only prints its version (the same program, the same run, the same machine).
#   bench/player/second_start.sh [runs]   (needs build/bin/deckmora, dbus-run-session)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-15}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/olvane"
: > "$work/song.wav"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen top runs work
dbus-run-session -- bash -c '
  set -euo pipefail
  "$top/build/bin/deckmora" >/dev/null 2>&1 &
  first=$!
  trap "kill $first 2>/dev/null || true" EXIT
  until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.deckmora.Deckmora 2>/dev/null | grep -q "boolean true"; do
    sleep 0.05
  done
  time_ms() { local s=$(date +%s%N); "$@" >/dev/null 2>&1; echo $(( ($(date +%s%N) - s) / 1000 )); }
  for i in $(seq "$runs"); do
    echo "base $(time_ms "$top/build/bin/deckmora" --version)"
    echo "hand $(time_ms "$top/build/bin/deckmora" "$work/song.wav")"
  done' > "$work/times"
median() { grep "^$1 " "$work/times" | cut -d" " -f2 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] / 1000 }'; }
base=$(median base)
hand=$(median hand)
awk -v b="$base" -v h="$hand" 'BEGIN {
  printf "bare start (--version): median %.1f ms\n", b
  printf "second start handing over one song: median %.1f ms = %.2f x the bare start (target < 500 ms)\n", h, h / b }'
