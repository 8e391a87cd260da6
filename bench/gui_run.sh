#!/usr/bin/env bash
# The window's benchmark: the time from the start of quarrow on the JDK's tags file to the first
# paint of its built tree, against quarrow-tree printing the same tree, both measured in this run
# (best of RUNS); the window's peak memory against the file's size; and whether opening the
# largest folder and scrolling through it stalls the window.
#
#   bench/gui_run.sh [RUNS]    RUNS: timed runs per program (default 5)
#   QUARROW_BENCH_TAGS=FILE    measure FILE instead of build-bench/jdk.tags (bench/run.sh makes it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
out="$root/build-bench-gui"
tags=${QUARROW_BENCH_TAGS:-$root/build-bench/jdk.tags}
if [ ! -s "$tags" ]; then
  echo "gui bench: $tags is missing; bench/run.sh makes it" >&2
  exit 1
fi

"$root/scripts/install-deps.sh"
cmake -S "$root/bench/gui" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" -j 2 --target quarrow_gui_bench quarrow-tree

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
size=$(stat -Lc %s "$tags")
echo "gui bench: $tags: $(wc -l < "$tags") lines, $size bytes"

"$out/src/app/quarrow-tree" "$tags" >/dev/null  # warm the page cache
tree_best= gui_best= gui_peak=0
for ((i = 0; i < runs; i++)); do
  t0=$(date +%s%N)
  "$out/src/app/quarrow-tree" "$tags" >/dev/null
  t1=$(date +%s%N)
  ns=$((t1 - t0))
  if [ -z "$tree_best" ] || [ "$ns" -lt "$tree_best" ]; then tree_best=$ns; fi

  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$out/time.txt" "$out/quarrow_gui_bench" "$tags" > "$out/gui.txt" 2>"$out/gui.err"
  painted=$(awk '/^first_paint_realtime_ns/ {print $2}' "$out/gui.txt")
  ns=$((painted - t0))
  if [ -z "$gui_best" ] || [ "$ns" -lt "$gui_best" ]; then gui_best=$ns; cp "$out/gui.txt" "$out/gui.best.txt"; fi
  kb=$(tail -n 1 "$out/time.txt")
  if [ "$kb" -gt "$gui_peak" ]; then gui_peak=$kb; fi
done

awk -v tree="$tree_best" -v gui="$gui_best" -v peak="$gui_peak" -v size="$size" '
  BEGIN {
    printf "quarrow-tree FILE              %8.1f ms\n", tree / 1e6
    printf "quarrow to first painted tree  %8.1f ms   (%.2fx quarrow-tree; goal at most 1.50x)\n", gui / 1e6, gui / tree
    printf "quarrow peak memory            %8.1f MB   (%.2fx the file; goal at most 2.50x)\n", peak / 1024, peak * 1024 / size
  }'
grep -E '^(folder_children|expand_ms|scroll_pages|scroll_max_ms)' "$out/gui.best.txt" | sed 's/^/largest folder: /'
