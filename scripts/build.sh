#!/usr/bin/env bash
# Configures and builds the suite in build/ (Release with debug info); shared by run.sh and test.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$top/build" -j"$(nproc)"
