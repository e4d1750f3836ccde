#!/usr/bin/env bash
# Builds the whole suite with clang under AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# every test there; then the engine's tests under ThreadSanitizer in build-tsan/. Any report fails the run. Both
# builds carry the audio-thread guard: a lock or an allocation while mixing aborts the test that made it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
common=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
        -DDECKMORA_BUILD_BENCH=OFF -DDECKMORA_DESIGNER_PLUGIN=OFF -DDECKMORA_RT_GUARD=ON)

cmake -S "$top" -B "$top/build-asan" "${common[@]}" -DDECKMORA_SANITIZE=ON >/dev/null
cmake --build "$top/build-asan" -j"$(nproc)"
# Qt and fontconfig keep process-lifetime caches that LeakSanitizer would count; the suppressions name only those.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd "$top/build-asan" && ctest --output-on-failure -j"$(nproc)" --timeout 900 -LE server)
# A second run for the real sound servers' tests only, as in test.sh.
(cd "$top/build-asan" && ctest --output-on-failure --timeout 900 -L server --repeat until-pass:2)

if [ -d "$top/tests/platform/media" ]; then
  cmake -S "$top" -B "$top/build-tsan" "${common[@]}" -DDECKMORA_TSAN=ON >/dev/null
  tsan_tests=(media_tests media_device_tests media_engine_tests media_handover_tests media_guard_tests media_record_tests)
  cmake --build "$top/build-tsan" -j"$(nproc)" --target "${tsan_tests[@]}"
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/scripts/tsan.supp"
  (cd "$top/build-tsan" && ctest --output-on-failure -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$" --timeout 900)
fi
