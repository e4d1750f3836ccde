#!/usr/bin/env bash
# Pictures for the README, taken on a virtual display:
#   docs/main-window.png      the main window as it opens
#   docs/main-window-play.png two songs playing through the engine's mix
#   docs/controls-demo.png    the demo host of the two controls
#   docs/dj-view-sketch.png, docs/dj-view-sketch-1.5.png
#                             the DJ view open with two songs playing, the places kept for later controls
#                             outlined, at scale 1 and 1.5
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$top/build/bin/deckmora-screenshot" ] || [ ! -x "$top/build/bin/controls_demo" ]; then
  cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build" -j2 --target deckmora-screenshot controls_demo
fi
mkdir -p "$top/docs"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config" XDG_CACHE_HOME="$config/cache"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window.png"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window-play.png" --play 4
xvfb-run -a "$top/build/bin/controls_demo" --screenshot "$top/docs/controls-demo.png"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/dj-view-sketch.png" --play 4 --sketch
QT_SCALE_FACTOR=1.5 xvfb-run -a -s "-screen 0 1600x1200x24" "$top/build/bin/deckmora-screenshot" \
  "$top/docs/dj-view-sketch-1.5.png" --play 4 --sketch
