#!/usr/bin/env bash
# The window while large tags files load (issue figures): for each file, ROUNDS rounds, each of
# RUNS turns of quarrow-tree printing the tree and then the quarrow window opening it
# (quarrow_load_bench), so that both meet the same state of the machine. Reported:
# - every run's time, from the process's start to quarrow-tree's exit or to the window's first
#   paint of the loaded tree, with the time of each stage of the load (QUARROW_LOAD_TIMES: open,
#   read, records, parse, order, build; quarrow-tree: print and exit; the window: the hand-over
#   to its thread, the adoption of the new tree by the view, the rest of the show, the paint)
#   and the processor time of the whole process;
# - each round's median ratio "tree shown / quarrow-tree" of its turns (goal 1.2x), and the
#   ratio of the medians;
# - the time to the first window (goal 500 ms), the longest gap between repaints and the
#   slowest key-to-repaint during the load (goal 100 ms), and the slowest expand and collapse of
#   the biggest folder and the biggest file (goal 5 ms), the worst of the round's turns.
# Every round carries the load average before and after it: the machine may be shared.
#
#   bench/load_run.sh [ROUNDS] [FILE...]   default: 3 rounds of the JDK and the two kernel files
#                                          that bench/shapes.sh makes in ~/.cache/quarrow-bench
#   LOAD_RUNS=N                            turns per round (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
shift || true
runs=${LOAD_RUNS:-3}
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
export QUARROW_LOAD_TIMES=1
tmp=$(mktemp -d /tmp/quarrow-load-run.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
load() { cut -d' ' -f1-3 /proc/loadavg; }
now() { date +%s%N; }
for f in "${files[@]}"; do "$out/src/app/quarrow-tree" "$f" >/dev/null 2>&1; done  # warm the page cache

# The stages of one run: the marks in $1 (load_stage NAME REALTIME_NS CPU_NS), from the start
# t0 ($2) to the end t1 ($3, named $4), as "name ms" each, then the process's processor time.
stages() {
  awk -v t0="$2" -v t1="$3" -v last="$4" '
    $1 == "load_stage" && $3 <= t1 { printf " %s %d/%d", $2, ($3 - prev) / 1e6, ($4 - cpu) / 1e6; prev = $3; cpu = $4 }
    $1 == "load_stage" && $3 > t1 { after = after sprintf(" %s +%d", $2, ($3 - t1) / 1e6) }
    BEGIN { prev = t0; cpu = 0 }
    END { printf " %s %d | cpu %d ms", last, (t1 - prev) / 1e6, cpu / 1e6; if (after != "") printf "; after it:%s", after }' "$1"
}
# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The largest of the numbers on standard input.
largest() { sort -g | tail -n 1; }

for ((r = 0; r < rounds; r++)); do
  for f in "${files[@]}"; do
    name=$(basename "$f")
    printf '%s round %d (load %s)\n' "$name" "$r" "$(load)"
    : >"$tmp/tree_ms"; : >"$tmp/shown_ms"; : >"$tmp/ratios"; : >"$tmp/figures"
    for ((k = 1; k <= runs; k++)); do
      t0=$(now)
      "$out/src/app/quarrow-tree" "$f" >/dev/null 2>"$tmp/tree.err"
      t1=$(now)
      tree_ms=$(( (t1 - t0) / 1000000 ))
      printf '  quarrow-tree %d: %6d ms |%s\n' "$k" "$tree_ms" "$(stages "$tmp/tree.err" "$t0" "$t1" exit)"
      t0=$(now)
      "$out/quarrow_load_bench" "$f" 3 >"$tmp/load.txt" 2>"$tmp/window.err"
      get() { awk -v k="$1" '$1 == k {print $2}' "$tmp/load.txt"; }
      window_ms=$(( ($(get window_realtime_ns) - t0) / 1000000 ))
      shown_ms=$(( ($(get tree_realtime_ns) - t0) / 1000000 ))
      ratio=$(echo "$shown_ms / $tree_ms" | bc -l)
      printf '  window       %d: %6d ms = %.2fx |%s\n' "$k" "$shown_ms" "$ratio" \
        "$(stages "$tmp/window.err" "$t0" "$(get tree_realtime_ns)" paint)"
      echo "$tree_ms" >>"$tmp/tree_ms"
      echo "$shown_ms" >>"$tmp/shown_ms"
      echo "$ratio" >>"$tmp/ratios"
      for key in paint_gap_max_ms key_to_paint_max_ms timer_late_max_ms folder_expand_ms folder_collapse_ms \
                 file_expand_ms file_collapse_ms; do
        echo "$key $(get $key)" >>"$tmp/figures"
      done
      echo "window_ms $window_ms" >>"$tmp/figures"
      folder_children=$(get folder_children)
      file_members=$(get file_members)
      probes=$(get key_probes)
    done
    worst() { awk -v k="$1" '$1 == k {print $2}' "$tmp/figures" | largest; }
    tree_median=$(median <"$tmp/tree_ms")
    shown_median=$(median <"$tmp/shown_ms")
    printf '  median of %d turns: tree shown / quarrow-tree %.2fx (turns %s), medians %d / %d ms = %.2fx (goal 1.2x); load %s\n' \
      "$runs" "$(median <"$tmp/ratios")" "$(xargs printf '%.2f ' <"$tmp/ratios" | sed 's/ $//')" \
      "$shown_median" "$tree_median" "$(echo "$shown_median / $tree_median" | bc -l)" "$(load)"
    printf '  first window max %d ms (goal 500)\n' "$(worst window_ms)"
    printf '  during the load: paint gap max %s ms, key-to-repaint max %s ms (%s probes), timer late max %s ms (goal 100)\n' \
      "$(worst paint_gap_max_ms)" "$(worst key_to_paint_max_ms)" "$probes" "$(worst timer_late_max_ms)"
    printf '  folder of %s: expand %s ms, collapse %s ms; file of %s: expand %s ms, collapse %s ms (goal 5)\n' \
      "$folder_children" "$(worst folder_expand_ms)" "$(worst folder_collapse_ms)" \
      "$file_members" "$(worst file_expand_ms)" "$(worst file_collapse_ms)"
  done
done
