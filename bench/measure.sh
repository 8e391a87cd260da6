# Sourced by the bench scripts. measure LABEL COMMAND...: runs the command once to warm the page
# cache, then $runs times, and prints "LABEL|best_ns|median_ns|peak_kb". Needs $runs and $out.
measure() {
  local label=$1; shift
  local peak=0 t0 t1 kb
  local -a times=()
  "$@" >/dev/null  # warm the page cache
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$out/time.txt" "$@" >/dev/null
    t1=$(date +%s%N)
    times+=($(( t1 - t0 )))
    kb=$(tail -n 1 "$out/time.txt")
    if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  local sorted
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  echo "$label|$(head -n 1 <<<"$sorted")|$(sed -n "$(( (runs + 1) / 2 ))p" <<<"$sorted")|$peak"
}
