#!/usr/bin/env bash
# Measures the search of a tag's definition before a jump over 1 MB and 30 MB sources (goals:
# 5 ms and 50 ms, reading the file included), with the machine's load average beside the figures:
# on a shared machine a high load makes every figure larger. Builds the Release tree in
# build-bench/ (the "bench" preset) first.
#
#   bench/refind_run.sh [REPETITIONS]   REPETITIONS: runs of each benchmark (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
repetitions=${1:-5}
out="$root/build-bench"

cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow_refind_bench >/dev/null

echo "load before: $(uptime)"
"$out/bench/quarrow_refind_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_format=console 2>&1 |
  awk '
    /_median|_min/ || /^Benchmark|^---/ { print; next }
    /_mean|_stddev|_cv/ { next }
    { print }'
echo "load after:  $(uptime)"
