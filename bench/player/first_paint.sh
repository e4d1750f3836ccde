#!/usr/bin/env bash
# Start-up figure: from process start to the first window painted, on a virtual display, over several runs.
#   bench/player/first_paint.sh [runs]   (needs build/bin/deckmora)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-15}
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/olvane"
export XDG_CONFIG_HOME="$config" DECKMORA_FIRST_PAINT_PROBE=1 top runs
xvfb-run -a bash -c '
  "$top/build/bin/deckmora" >/dev/null 2>&1 || true   # warm the file cache once
  for i in $(seq "$runs"); do
    start=$(date +%s%N)
    painted=$("$top/build/bin/deckmora" 2>/dev/null | sed -n "s/^first-paint-ns //p")
    echo $(( (painted - start) / 1000 ))
  done' | sort -n | awk '{ v[NR] = $1 } END {
    printf "first paint after start: median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
           v[int((NR + 1) / 2)] / 1000, v[1] / 1000, v[NR] / 1000, NR }'
