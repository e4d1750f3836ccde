#!/usr/bin/env bash
# Idle figure: processor time of Deckmora with its main window shown and no song playing, over 10 s, as a share of
# one core, on a virtual display: once on the null output and once with a device (a private PulseAudio server with
# a null sink, its own runtime folder, ended with the script; the server's own time is not counted). Runs take
# turns with two baselines measured the same way: build/bin/player_scroll_floor, a bare Qt window that moves two
# labels the same steps the ordinary Qt way, and the same program's 30 Hz timer alone (the wake-ups the captions'
# steps cannot do without); and with qmmp (a skinned Qt audio player) idle where it is installed.
# BASELINE=<another deckmora binary> measures that one too, in the same runs (say, a build from before a change).
#   bench/player/idle_cpu.sh [runs]   (default 5; needs build/bin/deckmora; pulseaudio for the device figure)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}
work=$(mktemp -d)
pulse=''
trap '[ -n "$pulse" ] && kill $pulse 2>/dev/null; rm -rf "$work"' EXIT
# a second run: no welcome window, the splash goes straight on to the main window
mkdir -p "$work/config/olvane" "$work/run"
chmod 700 "$work/run"
printf '[Runnings]\nNow=1\n' >"$work/config/olvane/deckmora.ini"
if command -v pulseaudio >/dev/null 2>&1; then
  XDG_RUNTIME_DIR="$work/run" pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=1 \
    -L module-native-protocol-unix -L "module-null-sink sink_name=bench" >/dev/null 2>&1 &
  pulse=$!
  sleep 2
fi
export XDG_CONFIG_HOME="$work/config" top runs work pulse BASELINE="${BASELINE:-}"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source "$top/bench/player/cpu_lib.sh"
  # one [ENV=...] PROGRAM [ARGS]: starts it, waits WAIT seconds, measures 10 s, appends to $work/NAME
  one() {
    local name=$1 wait=$2 pid all ui; shift 2
    env "$@" >/dev/null 2>&1 &
    pid=$!
    sleep "$wait"
    read -r all ui < <(measure $pid 10)
    kill $pid; wait $pid 2>/dev/null || true
    echo "$all" >>"$work/$name"
    printf " %s %s%%" "$name" "$all"
  }
  nodevice="XDG_RUNTIME_DIR=$work/none"
  for ((r = 1; r <= runs; ++r)); do
    printf "run %d:" $r
    one null 9 "$nodevice" "$top/build/bin/deckmora"   # the splash steps its bar for about 5 s
    [ -z "$pulse" ] || one device 9 "XDG_RUNTIME_DIR=$work/run" "$top/build/bin/deckmora"
    one floor 2 "$nodevice" "$top/build/bin/player_scroll_floor"
    one timer 2 "$nodevice" "$top/build/bin/player_scroll_floor" --still
    [ -z "$BASELINE" ] || one baseline 9 "$nodevice" "$BASELINE"
    if peer_available; then
      rm -rf "$work/peer"; pid=$(peer_start "$work/peer")
      sleep 5
      read -r all ui < <(measure $pid 10)
      kill $pid; wait $pid 2>/dev/null || true
      echo "$all" >>"$work/qmmp"
      printf " qmmp %s%%" "$all"
    fi
    echo
  done
  m() { median <"$work/$1"; }
  printf "idle main window over 10 s, median of %d, %% of one core:\n" $runs
  awk -v n="$(m null)" -v f="$(m floor)" -v t="$(m timer)" "BEGIN {
    printf \"  null output %s; a bare Qt window moving two labels alike %s (%.2fx); its timer alone %s\n\", n, f, n / f, t }"
  [ -z "$pulse" ] && echo "  with a device: pulseaudio is not installed" ||
    awk -v d="$(m device)" -v n="$(m null)" "BEGIN { printf \"  with a device (PulseAudio) %s (%.2fx the null output)\n\", d, d / n }"
  [ -z "$BASELINE" ] || awk -v b="$(m baseline)" -v n="$(m null)" \
    "BEGIN { printf \"  baseline %s: %s (this build %.2fx)\n\", ENVIRON[\"BASELINE\"], b, n / b }"
  if peer_available; then
    printf "  qmmp idle (skinned face, null output): %s\n" "$(m qmmp)"
  else
    echo "  qmmp is not installed: no peer figure (apt-get install --no-install-recommends qmmp)"
  fi
'
