#!/usr/bin/env bash
# Splits the table frame benchmark's main-thread CPU between the client's own code and
# the software GL driver's front end, which runs on the calling thread too (state
# validation and vertex copies inside glDrawArrays). The benchmark reports the whole
# thread's CPU per frame; perf samples that thread once the warm-up is over and counts
# each sample by the library its instruction pointer is in. The client's own share is
# the program itself, FTGL, FreeType, the C++ runtime and libm.
#
#   tests/bench/table_frame_cpu_split.sh [build folder]     (needs perf)
set -euo pipefail
build=${1:-build}
command -v perf >/dev/null || { echo "perf is not installed (apt-get install linux-perf)" >&2; exit 2; }
bench="$build/bench/bench_table_frame"
[[ -x $bench ]] || { echo "no $bench: build the benchmarks first" >&2; exit 2; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
TOLVAN_BUILD_DIR="$build" "$bench" >"$out/bench.txt" 2>&1 &
runner=$!
# Past the art loading and the warm-up frames.
for _ in $(seq 1 100); do
  grep -q "_Init_LanguageMessage_ ... End" "$out/bench.txt" 2>/dev/null && break
  sleep 0.1
done
sleep 3
perf record -q -o "$out/perf.data" -F 5000 -t "$runner" -- sleep 6 >/dev/null 2>&1
wait "$runner"

cpu_us=$(grep -o 'client_cpu_mean_us=[0-9.]*[km]*' "$out/bench.txt" | cut -d= -f2)
perf report -i "$out/perf.data" --sort dso --stdio 2>/dev/null | awk -v cpu="$cpu_us" '
  function us(v) { if (v ~ /k$/) return v * 1000; if (v ~ /m$/) return v / 1000; return v + 0 }
  /^ *[0-9.]+%/ {
    pct = $1; sub(/%/, "", pct); dso = $2
    if (dso ~ /bench_table_frame|libftgl|libfreetype|libstdc\+\+|libm\.so/) own += pct
    else other += pct
  }
  END {
    total = us(cpu)
    printf "main thread CPU per frame: %.0f us\n", total
    printf "client code: %.1f%% of it, %.0f us per frame\n", own, total * own / 100
    printf "GL driver, C library and kernel: %.1f%%\n", other
  }'
grep BM_TableFrame "$out/bench.txt"
