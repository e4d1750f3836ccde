#!/usr/bin/env bash
# Builds what is missing and starts Deckmora.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/build.sh"
exec "$top/build/bin/deckmora" "$@"
