#!/usr/bin/env bash
# Pictures for the README, taken on a virtual display:
#   docs/main-window.png      the main window as it opens
#   docs/main-window-play.png two songs playing through the engine's mix
#   docs/controls-demo.png    the demo host of the two controls
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$top/build/bin/deckmora-screenshot" ] || [ ! -x "$top/build/bin/controls_demo" ]; then
  cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build" -j2 --target deckmora-screenshot controls_demo
fi
mkdir -p "$top/docs"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window.png"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window-play.png" --play 4
xvfb-run -a "$top/build/bin/controls_demo" --screenshot "$top/docs/controls-demo.png"
