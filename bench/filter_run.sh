#!/usr/bin/env bash
# The filter field's benchmark: a tree of about a million tags (the JDK tags file of bench/run.sh
# three times, under three root folders), keys typed into the filter field one at a time, and the
# time from each key to the repainted tree: 95th percentile and worst (goals: 50 ms and 100 ms),
# Esc's restore of the whole tree, a burst of keys faster than the narrowing, and the filter's
# index in bytes per node.
#
#   bench/filter_run.sh          (bench/run.sh makes build-bench/jdk.tags first)
#   QUARROW_BENCH_TAGS=FILE      use FILE three times instead of build-bench/jdk.tags
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-bench-gui"
tags=${QUARROW_BENCH_TAGS:-$root/build-bench/jdk.tags}
if [ ! -s "$tags" ]; then
  echo "filter bench: $tags is missing; bench/run.sh makes it" >&2
  exit 1
fi

[ -n "${QUARROW_BENCH_SKIP_DEPS:-}" ] || "$root/scripts/install-deps.sh"
cmake -S "$root/bench/gui" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" -j 2 --target quarrow_filter_bench

# The same tags three times, each copy's files under a root folder of its own.
big="$out/jdk3.tags"
if [ ! -s "$big" ] || [ "$big" -ot "$tags" ]; then
  for n in 1 2 3; do
    awk -v root="copy$n/" 'BEGIN { FS = OFS = "\t" } /^!_/ { if (root == "copy1/") print; next } { $2 = root $2; print }' "$tags"
  done > "$big"
fi
echo "filter bench: $big: $(wc -l < "$big") lines, $(stat -Lc %s "$big") bytes"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "filter bench: load average $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) processors"
"$out/quarrow_filter_bench" "$big" > "$out/filter.txt"
awk '
  function sort(a, n,   i, j, v) { for (i = 2; i <= n; i++) { v = a[i]; j = i - 1; while (j > 0 && a[j] > v) { a[j + 1] = a[j]; j-- } a[j + 1] = v } }
  /^nodes / { nodes = $2 }
  /^core_ms / { core = core sprintf("  %-10s %7.1f ms wall %7.1f ms processor, %d rows shown\n", "\"" $2 "\"", $3, $4, $5) }
  /^stage_ms / { stages = stages sprintf("  %-10s %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f   %7d %8d\n", "\"" $2 "\"", $3, $4, $5, $6, $7, $8, $9, $10, $11) }
  /^stall_ms / { stall = $2; stallTotal = $3 }
  /^key_ms / { n++; wall[n] = $3; cpu[n] = $4; if ($3 > worst) { worst = $3; worstText = $2 } if ($4 > worstCpu) { worstCpu = $4; worstCpuText = $2 } }
  /^esc_ms / { if ($2 > esc) esc = $2; if ($3 > escCpu) escCpu = $3 }
  /^burst_ms / { burst = $2 }
  /^filter_bytes_per_node / { bytes = $2 }
  END {
    sort(wall, n); sort(cpu, n)
    p = int(0.95 * n + 0.999)
    printf "tree nodes %d; keys timed %d (wall: the clock; processor: the time the process ran, all threads)\n", nodes, n
    printf "core filter alone on the whole tree:\n%s", core
    printf "stages of one key, processor ms (narrow: from the signatures for a first key, else from the previous text):\n"
    printf "  %-10s %6s %6s %6s %6s %6s %6s %6s   %7s %8s\n", "text", "narrow", "opened", "reset", "first", "layout", "paint", "rest", "open", "rows"
    printf "%s", stages
    printf "  (rest: the other kept nodes opened after the paint, in slices between events)\n"
    printf "longest the window thread ran without answering while the rest of \"e\" opened: %.1f ms processor (all of it in %.0f ms wall)\n", stall, stallTotal
    printf "key to repainted tree, median  %7.1f ms wall %7.1f ms processor\n", wall[int((n + 1) / 2)], cpu[int((n + 1) / 2)]
    printf "key to repainted tree, p95     %7.1f ms wall %7.1f ms processor   (goal at most 50 ms)\n", wall[p], cpu[p]
    printf "key to repainted tree, worst   %7.1f ms wall (\"%s\") %7.1f ms processor (\"%s\")   (goal at most 100 ms)\n", worst, worstText, worstCpu, worstCpuText
    printf "Esc back to the whole tree     %7.1f ms wall %7.1f ms processor (worst)\n", esc, escCpu
    printf "burst of keys 15 ms apart      %7.1f ms wall (last key to the painted result)\n", burst
    printf "filter index                   %7.2f bytes per node (largest)\n", bytes
  }' "$out/filter.txt"
