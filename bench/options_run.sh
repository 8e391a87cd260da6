#!/usr/bin/env bash
# Measures what the tree options cost: quarrow-tree's whole run (load, build, print) on a tags
# file without options, with --lang-icons, with --nest and with both, on the JDK's tags file and
# on a tags file of a large C code base (bench/make_corpora.sh). Goal: both options together at
# most 15% over the run without them, in wall time: the build works out the options' images and
# parents on both processors while it appends the nodes, and the user waits for wall time, not
# for processor time (which is printed beside it). Builds a Release tree in build-bench/.
#
#   bench/options_run.sh [RUNS]        RUNS: timed runs per command (default 9)
#   QUARROW_BENCH_CORPORA="jdk linux"  which corpora to measure
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-9}
out="$root/build-bench"

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow-tree >/dev/null
tool="$out/src/app/quarrow-tree"
for corpus in ${QUARROW_BENCH_CORPORA:-jdk linux}; do
  tags=$("$root/bench/make_corpora.sh" "$out" "$corpus")
  echo
  echo "$corpus: $tags: $(wc -l < "$tags") lines, $(stat -Lc %s "$tags") bytes"
  sets=("" "--lang-icons" "--nest" "--lang-icons --nest")
  python3 "$root/bench/best_of.py" "$runs" "$tool" "$tags" "${sets[@]}" |
    awk -v labels="$(printf '%s|' "${sets[@]}")" '
      BEGIN { split(labels, label, "|") }
      NR == 1 { base = $1; baseCpu = $3 }
      {
        goal = NR == 4 ? (($1 / base <= 1.15) ? "  goal met" : "  goal MISSED") : ""
        printf "%-34s wall %6.3f s %+6.1f%% (median %6.3f)   cpu %6.3f s %+6.1f%% (median %6.3f)%s\n",
               "quarrow-tree " label[NR], $1, ($1 / base - 1) * 100, $2, $3, ($3 / baseCpu - 1) * 100, $4, goal
      }'
done
echo
echo "(best and median of $runs runs taken in turn: wall time, and processor time = user + system;"
echo " change of the best against the run without options; goal: both options at most +15% of the"
echo " wall time; on a machine shared with other work the second processor may be busy, which shows"
echo " as wall time close to processor time)"
