#!/usr/bin/env bash
# Pictures of the main window for the README, taken on a virtual display:
#   docs/main-window.png      the window as it opens
#   docs/main-window-play.png two songs playing through the engine's mix
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$top/build/bin/deckmora-screenshot" ]; then
  cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build" -j2 --target deckmora-screenshot
fi
mkdir -p "$top/docs"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window.png"
xvfb-run -a "$top/build/bin/deckmora-screenshot" "$top/docs/main-window-play.png" --play 4
