#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 -LE server
# The real sound servers' tests judge real time to a period; a stall of the machine (not of the program) can
# fail one, so they get a second run. A fault of the program fails both.
ctest --output-on-failure --timeout 600 -L server --repeat until-pass:2
