#!/usr/bin/env bash
# The window while large tags files load (issue figures): for each file, in turns for ROUNDS
# rounds, quarrow-tree printing the tree and the quarrow window opening it (quarrow_load_bench):
# the time to the first window, to the shown tree (against quarrow-tree's time, goal 1.2x), the
# longest gap between repaints and the slowest key-to-repaint during the load (goal 100 ms), and
# the slowest expand and collapse of the biggest folder and the biggest file (goal 5 ms). Every
# line carries the load average: the machine may be shared.
#
#   bench/load_run.sh [ROUNDS] [FILE...]   default: the JDK and the two kernel files that
#                                          bench/shapes.sh makes in ~/.cache/quarrow-bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
shift || true
cache=${QUARROW_BENCH_CACHE:-$HOME/.cache/quarrow-bench}
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=("$cache/jdk.tags" "$cache/kernel-sort-no.tags" "$cache/kernel-sort-yes.tags")
fi
# One build folder per checkout: a build folder belongs to one source folder.
out="$cache/gui-build-$(printf %s "$root" | cksum | cut -d" " -f1)"
cmake -S "$root/bench/gui" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" -j 2 --target quarrow_load_bench quarrow-tree >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
load() { cut -d' ' -f1-3 /proc/loadavg; }
for f in "${files[@]}"; do "$out/src/app/quarrow-tree" "$f" >/dev/null; done  # warm the page cache
for ((r = 0; r < rounds; r++)); do
  for f in "${files[@]}"; do
    name=$(basename "$f")
    t0=$(date +%s%N)
    "$out/src/app/quarrow-tree" "$f" >/dev/null
    t1=$(date +%s%N)
    tree_ms=$(( (t1 - t0) / 1000000 ))
    t0=$(date +%s%N)
    "$out/quarrow_load_bench" "$f" 3 >"$out/load.txt" 2>/dev/null
    get() { awk -v k="$1" '$1 == k {print $2}' "$out/load.txt"; }
    window_ms=$(( ($(get window_realtime_ns) - t0) / 1000000 ))
    shown_ms=$(( ($(get tree_realtime_ns) - t0) / 1000000 ))
    printf '%s round %d (load %s)\n' "$name" "$r" "$(load)"
    printf '  first window %6d ms (goal 500)   tree shown %6d ms = %.2fx quarrow-tree %d ms (goal 1.2x)\n' \
      "$window_ms" "$shown_ms" "$(echo "$shown_ms / $tree_ms" | bc -l)" "$tree_ms"
    printf '  during the load: paint gap max %s ms, key-to-repaint max %s ms (%s probes), timer late max %s ms (goal 100)\n' \
      "$(get paint_gap_max_ms)" "$(get key_to_paint_max_ms)" "$(get key_probes)" "$(get timer_late_max_ms)"
    printf '  folder of %s: expand %s ms, collapse %s ms; file of %s: expand %s ms, collapse %s ms (goal 5)\n' \
      "$(get folder_children)" "$(get folder_expand_ms)" "$(get folder_collapse_ms)" \
      "$(get file_members)" "$(get file_expand_ms)" "$(get file_collapse_ms)"
  done
done
