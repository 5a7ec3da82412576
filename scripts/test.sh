#!/usr/bin/env bash
# Sets up everything and runs the whole test suite:
#   1. the unit tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   2. the framework, net and app unit tests built with ThreadSanitizer,
#   3. the fuzz targets' corpus replays (clang, libFuzzer),
#   4. whole rounds at the table against the program built with the sanitizers,
#   5. the full suite (unit, render, end-to-end) through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

bash scripts/install-deps.sh

echo "== sanitizer build (address, undefined): unit and server tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOLVAN_SANITIZE=ON -DTOLVAN_UNIT_ONLY=ON \
      -DTOLVAN_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$JOBS" -L 'unit|server')

echo "== thread sanitizer build: framework, net and app unit tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTOLVAN_TSAN=ON -DTOLVAN_UNIT_ONLY=ON \
      -DTOLVAN_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" --target unit_framework unit_net unit_app
# Any report fails its test (ThreadSanitizer's exit code); tests/tsan.supp lists the
# third-party libraries whose reports are not ours to fix.
(cd build-tsan && TSAN_OPTIONS="suppressions=$ROOT/tests/tsan.supp second_deadlock_stack=1" \
   ctest --output-on-failure -j"$JOBS" -L unit)

if ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1; then
  echo "== fuzz targets: corpus replay"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DTOLVAN_FUZZ=ON \
        -DTOLVAN_UNIT_ONLY=ON -DTOLVAN_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j"$JOBS" --target fuzz_targets
  (cd build-fuzz && ctest --output-on-failure -j"$JOBS" -L fuzz)
fi

echo "== full build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"

# Whole rounds at the table against the program built with AddressSanitizer and
# UndefinedBehaviorSanitizer (the art, the local server and the test build come from the
# full build): one from the room list to the result and back to the lobby, and one that
# the player wins by clicks (pile take, melds, attach, throw). The program's own output
# goes nowhere, so every report is written to a file and any file fails the run.
echo "== whole rounds against the sanitizer build of the program"
REPORTS="$ROOT/build-asan/e2e-reports"
rm -rf "$REPORTS" && mkdir -p "$REPORTS"
sanitized() {
  TOLVAN_BINARY="$ROOT/build-asan/tolvan" TOLVAN_TESTINPUT_BINARY="$ROOT/build/tolvan-testinput" \
    TOLVAN_BUILD_DIR="$ROOT/build" \
    ASAN_OPTIONS="detect_leaks=0:log_path=$REPORTS/asan" \
    UBSAN_OPTIONS="print_stacktrace=1:log_path=$REPORTS/ubsan" \
    timeout 900 python3 "$@"
}
sanitized tests/e2e/test_table.py TableTest.test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby
sanitized tests/e2e/test_rounds.py \
  RoundsTest.test_the_own_seat_goes_out_by_clicks_and_the_result_shows_the_settled_chips
if ls "$REPORTS"/* >/dev/null 2>&1; then
  echo "sanitizer reports from the program:" >&2
  cat "$REPORTS"/* >&2
  exit 1
fi

echo "== full suite"
cd build && ctest --output-on-failure -j"$JOBS"
