#!/usr/bin/env bash
# Writes the small seed corpus of every fuzzer into the folder given (one sub-folder a target).
set -euo pipefail
out=${1:?folder}
mkdir -p "$out/numbertext"
printf '12.5' >"$out/numbertext/number"
printf '  -3e2xyz' >"$out/numbertext/lenient"
printf 'True' >"$out/numbertext/bool"
