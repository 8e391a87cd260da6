#!/usr/bin/env bash
# The cost of finding a tags file's code page when none is given: quarrow-tree over the JDK's
# tags (and its Shift-JIS copy), without a code page (the check runs) and with --code-page 65001
# or 932 (it does not), interleaved; then the check alone over the same bytes. Goal: the check at
# most 2% of quarrow-tree's time. Prints the load average before and after.
#
#   bench/code_page_run.sh [TAGSFILE]...   (default: the JDK's tags of bench/make_corpora.sh)
#   QUARROW_BENCH_ROUNDS=N                 runs of each (default 7)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-bench"
rounds=${QUARROW_BENCH_ROUNDS:-7}

[ -n "${QUARROW_BENCH_SKIP_DEPS:-}" ] || "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow-tree quarrow_code_page_bench

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  jdk=$("$root/bench/make_corpora.sh" "$out" jdk)
  # A Shift-JIS copy: the same lines with every label in Shift-JIS (what cannot be is dropped).
  sjis="$out/jdk-sjis.tags"
  if [ ! -s "$sjis" ] || [ "$sjis" -ot "$jdk" ]; then
    iconv -c -f UTF-8 -t SHIFT_JIS "$jdk" > "$sjis.new" || true
    mv "$sjis.new" "$sjis"
  fi
  files=("$jdk" "$sjis")
fi

# Best wall time in ms of `quarrow-tree ARGS... FILE`, the output thrown away.
run_ms() {
  local start end
  start=$(date +%s%N)
  "$out/src/app/quarrow-tree" "$@" >/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

echo "code page bench: load average $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) processors"
for file in "${files[@]}"; do
  given=65001
  if "$out/src/app/quarrow-tree" --verbose "$file" 2>&1 >/dev/null | grep -q "code page 932"; then given=932; fi
  best_found=999999
  best_given=999999
  for _ in $(seq "$rounds"); do
    t=$(run_ms "$file"); [ "$t" -lt "$best_found" ] && best_found=$t
    t=$(run_ms --code-page "$given" "$file"); [ "$t" -lt "$best_given" ] && best_given=$t
  done
  echo "$file: quarrow-tree ${best_found} ms without a code page, ${best_given} ms with --code-page $given (best of $rounds)"
  "$out/bench/quarrow_code_page_bench" --rounds "$rounds" "$file"
done
echo "code page bench: load average $(cut -d" " -f1-3 /proc/loadavg) after"
