#!/usr/bin/env bash
# The symbol finder's keys: queries typed one key at a time over the JDK's tags and the JDK three
# times (a million tags, under three root folders, shuffled as bench/shapes.sh makes it), and over
# any other tags files given. Prints per file the index's making and bytes a tag and the keys'
# times (goal: 95th percentile at most 30 ms on a million tags), with the load average.
#
#   bench/find_run.sh [TAGSFILE]...   e.g. the kernel's --sort=no file of bench/shapes.sh
#   QUARROW_BENCH_ROUNDS=N            rounds of the query list (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-bench"

[ -n "${QUARROW_BENCH_SKIP_DEPS:-}" ] || "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow_find_bench

jdk=$("$root/bench/make_corpora.sh" "$out" jdk)
big="$out/jdk3-shuffled.tags"
if [ ! -s "$big" ] || [ "$big" -ot "$jdk" ]; then
  for copy in one two three; do sed "s#\tjdk-src/#\t$copy/jdk-src/#" "$jdk"; done | shuf --random-source=<(yes) > "$big.new"
  mv "$big.new" "$big"
fi

echo "find bench: load average $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) processors"
"$out/bench/quarrow_find_bench" --rounds "${QUARROW_BENCH_ROUNDS:-3}" "$jdk" "$big" "$@"
echo "find bench: load average $(cut -d" " -f1-3 /proc/loadavg) after"
