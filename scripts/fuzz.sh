#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time on its seed corpus.
# Any crash, leak, timeout (an input taking over 10 s) or sanitizer report fails the run; the input that did it is
# kept as build-fuzz/<target>-crash-* (or leak-, timeout-) for replay: build-fuzz/bin/fuzz_<target> <file>.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
# Each target runs a fixed number of inputs (about what it gets through in 60 s on a two-core machine, scaled by the
# seconds given), capped at twice the time: from the fixed seed a run explores the same inputs on any machine that
# builds the same binary, so what passes here passes in CI, and a slower machine stops early on the same path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-60}
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDECKMORA_FUZZ=ON -DDECKMORA_BUILD_BENCH=OFF -DDECKMORA_DESIGNER_PLUGIN=OFF >/dev/null
targets=$(grep -ho 'deckmora_add_fuzzer([a-z_0-9]*' "$top"/tests/fuzz/CMakeLists.txt | sed 's/.*(/fuzz_/')
cmake --build "$top/build-fuzz" -j"$(nproc)" --target $targets
"$top/scripts/make-seeds.sh" "$top/build-fuzz/seeds" "$top/build-fuzz/bin"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Qt and fontconfig keep process-lifetime caches that LeakSanitizer would count; the suppressions name only those.
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
declare -A runs=([numbertext]=7500000 [playlist]=700000 [playlist_m3u]=380000 [playlist_pls]=740000
  [playlist_xspf]=640000 [propertytext]=650000 [glissor]=21000 [lumaband]=860000 [songfile]=13600)
failed=()
for t in $targets; do
  name=${t#fuzz_}
  corpus="$top/build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  [ -d "$top/build-fuzz/seeds/$name" ] && cp -n "$top/build-fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  n=$(( ${runs[$name]:-100000} * secs / 60 ))
  echo "fuzzing $name: $n inputs, at most $((2 * secs))s"
  log="$top/build-fuzz/$name.log"
  # A fixed seed keeps a CI run repeatable: the same corpus explores the same way; FUZZ_SEED asks for another.
  if "$top/build-fuzz/bin/$t" -seed="${FUZZ_SEED:-1}" -runs="$n" -max_total_time="$((2 * secs))" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$top/build-fuzz/$name-" "$corpus" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done' "$log" | tail -n 2
  else
    tail -n 60 "$log"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
