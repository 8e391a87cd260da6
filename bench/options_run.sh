#!/usr/bin/env bash
# Measures what the tree options cost: quarrow-tree's whole run (load, build, print) on a tags
# file without options, with --lang-icons, with --nest and with both, on the JDK's tags file and
# on a tags file of a large C code base (bench/make_corpora.sh). Goal: both options together at
# most 15% over the run without them. Builds a Release tree in build-bench/.
#
#   bench/options_run.sh [RUNS]        RUNS: timed runs per command (default 5)
#   QUARROW_BENCH_CORPORA="jdk linux"  which corpora to measure
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
out="$root/build-bench"

cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow-tree >/dev/null
tool="$out/src/app/quarrow-tree"
# shellcheck source=bench/measure.sh
. "$root/bench/measure.sh"

for corpus in ${QUARROW_BENCH_CORPORA:-jdk linux}; do
  tags=$("$root/bench/make_corpora.sh" "$out" "$corpus")
  echo
  echo "$corpus: $tags: $(wc -l < "$tags") lines, $(stat -Lc %s "$tags") bytes"
  results=$(
    measure "quarrow-tree" "$tool" "$tags"
    measure "quarrow-tree --lang-icons" "$tool" --lang-icons "$tags"
    measure "quarrow-tree --nest" "$tool" --nest "$tags"
    measure "quarrow-tree --lang-icons --nest" "$tool" --lang-icons --nest "$tags"
  )
  awk -F'|' '
    NR == 1 { base = $2; baseMedian = $3 }
    {
      goal = NR == 4 ? (($2 / base <= 1.15) ? "  goal met" : "  goal MISSED") : ""
      printf "%-34s %7.3f s  %+6.1f%% (median %6.3f s, %+6.1f%%)   peak %7.1f MiB%s\n",
             $1, $2 / 1e9, ($2 / base - 1) * 100, $3 / 1e9, ($3 / baseMedian - 1) * 100, $4 / 1024, goal
    }
  ' <<<"$results"
done
echo
echo "(best and median wall time of $runs runs, change against the run without options;"
echo " goal: both options at most +15% on the best run)"
