#!/usr/bin/env bash
# Measures quarrow-tree against readtags on the tags file of the JDK's Java sources: wall time
# (best of several runs) and peak memory of loading and printing the store, and of loading and
# printing the tree. Builds a Release tree in build-bench/ and makes the corpus there once.
#
#   bench/run.sh [RUNS]       RUNS: timed runs per command (default 5)
#   QUARROW_BENCH_TAGS=FILE   measure FILE instead of the JDK corpus
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
out="$root/build-bench"

"$root/scripts/install-deps.sh"

# Release build of the tool and the micro-benchmarks only (no GUI).
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow-tree quarrow_bench

tags=${QUARROW_BENCH_TAGS:-$("$root/bench/make_corpora.sh" "$out" jdk)}

size=$(stat -Lc %s "$tags")
lines=$(wc -l < "$tags")
echo "bench: $tags: $lines lines, $size bytes"

tool="$out/src/app/quarrow-tree"
# shellcheck source=bench/measure.sh
. "$root/bench/measure.sh"

results=$(
  measure "readtags -t FILE -l" readtags -t "$tags" -l
  measure "quarrow-tree --store FILE" "$tool" --store "$tags"
  measure "quarrow-tree FILE" "$tool" "$tags"
)

echo
awk -F'|' -v size="$size" -v runs="$runs" '
  NR == 1 { base = $2; baseMedian = $3 }
  {
    goal = NR == 1 ? "" : (($2 / base <= 1.20 && $4 * 1024 / size <= 1.50) ? "  goals met" : "  goals MISSED")
    printf "%-26s %7.3f s  %5.2fx readtags (median %6.3f s, %5.2fx)   peak %7.1f MiB  %5.2fx file%s\n",
           $1, $2 / 1e9, $2 / base, $3 / 1e9, $3 / baseMedian, $4 / 1024, $4 * 1024 / size, goal
  }
  END {
    printf "(best and median wall time of %d runs; peak resident memory; file %.1f MiB)\n", runs, size / 1048576
    print "goals: each quarrow-tree run at most 1.20x readtags (best of the runs); peak at most 1.50x file"
  }
' <<<"$results"

echo
echo "Micro-benchmarks (load, sort, tree build, print):"
QUARROW_BENCH_TAGS="$tags" "$out/bench/quarrow_bench" --benchmark_min_time=1
