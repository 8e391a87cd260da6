#!/usr/bin/env bash
# Load and order on every shape of tags file, against readtags (which only lists) and sort(1):
# the JDK's tags in ctags' natural order, the JDK three times under three root folders shuffled and
# sorted by name, and the Linux kernel's tags written unsorted and sorted by ctags. The commands
# take turns in every round, so a busy machine slows them alike; the ratios are the medians of the
# rounds' ratios. Corpora live in a cache folder outside the checkout.
#
#   bench/shapes.sh [ROUNDS]            ROUNDS: at least five (default 5)
#   QUARROW_BENCH_SKIP_KERNEL=1         leave out the kernel (it takes minutes to make and to run)
#   QUARROW_BENCH_CACHE=DIR             the cache folder (default ~/.cache/quarrow-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
cache=${QUARROW_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quarrow-bench}
out="$root/build-bench"
mkdir -p "$cache"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARROW_GUI=OFF -DQUARROW_BENCH=ON >/dev/null
cmake --build "$out" -j 2 --target quarrow-tree >/dev/null
tool="$out/src/app/quarrow-tree"

ctags_java() {  # the program's default parameters
  /usr/bin/ctags --langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes \
    --fields=+anmfk --sort=no "$@"
}

if [ ! -s "$cache/jdk.tags" ]; then
  zip=$(for z in /usr/lib/jvm/*/lib/src.zip; do if [ -f "$z" ]; then printf '%s\t%s\n' "$(stat -Lc %s "$z")" "$z"; fi; done |
        sort -rn | head -n 1 | cut -f 2)
  [ -n "$zip" ] || { echo "bench: no /usr/lib/jvm/*/lib/src.zip; install a JDK with its sources" >&2; exit 1; }
  rm -rf "$cache/jdk-src" && mkdir -p "$cache/jdk-src" && unzip -q "$zip" -d "$cache/jdk-src"
  (cd "$cache" && ctags_java -fjdk.tags.new jdk-src && mv jdk.tags.new jdk.tags)
fi
if [ ! -s "$cache/jdk3-shuffled.tags" ] || [ ! -s "$cache/jdk3-namesorted.tags" ]; then
  for copy in one two three; do sed "s#\tjdk-src/#\t$copy/jdk-src/#" "$cache/jdk.tags"; done > "$cache/jdk3.tags"
  shuf --random-source=<(yes) "$cache/jdk3.tags" > "$cache/jdk3-shuffled.tags"
  LC_ALL=C sort -s -t "$(printf '\t')" -k1,1 "$cache/jdk3.tags" > "$cache/jdk3-namesorted.tags"
  rm "$cache/jdk3.tags"
fi
corpora=(jdk.tags jdk3-shuffled.tags jdk3-namesorted.tags)

if [ "${QUARROW_BENCH_SKIP_KERNEL:-0}" != 1 ]; then
  kernel="$cache/kernel"
  if [ ! -d "$kernel/linux-source-6.1" ]; then
    mkdir -p "$kernel"
    (cd "$kernel" && apt-get download linux-source-6.1 >/dev/null && dpkg-deb -x linux-source-6.1_*.deb pkg &&
     tar -xaf pkg/usr/src/linux-source-6.1.tar.* && rm -rf pkg linux-source-6.1_*.deb)
  fi
  for sorted in no yes; do
    if [ ! -s "$cache/kernel-sort-$sorted.tags" ]; then
      echo "bench: ctags over the kernel (--sort=$sorted), a few minutes"
      (cd "$kernel" && /usr/bin/ctags --recurse=yes --fields=+anmfk --sort=$sorted -f "$cache/kernel-sort-$sorted.tags.new" \
         linux-source-6.1 && mv "$cache/kernel-sort-$sorted.tags.new" "$cache/kernel-sort-$sorted.tags")
    fi
  done
  corpora+=(kernel-sort-no.tags kernel-sort-yes.tags)
fi

# One timed run: prints "nanoseconds peak-KiB cpu-seconds anon-peak-KiB". The peak is the most
# resident memory, the pages of a mapped file included; the anonymous peak (sampled every 20 ms)
# leaves them out: the page cache holds those pages whether or not they are mapped, and may drop
# and read them again, while anonymous memory is what the run adds to the machine.
exec {idle}<> <(:)
run() {
  local t0 t1 pid child key value anon=0
  t0=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$cache/shapes-time.txt" "$@" >/dev/null &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    child=
    read -r child _ < "/proc/$pid/task/$pid/children" 2>/dev/null || true
    if [ -n "$child" ]; then
      while read -r key value _; do
        if [ "$key" = RssAnon: ] && [ "$value" -gt "$anon" ]; then anon=$value; fi
      done < "/proc/$child/status" 2>/dev/null || true
    fi
    read -r -t 0.02 -u "$idle" _ || true
  done
  wait "$pid"
  t1=$(date +%s%N)
  read -r kb user system < "$cache/shapes-time.txt"
  echo "$(( t1 - t0 )) $kb $(echo "$user + $system" | bc -l) $anon"
}

results="$cache/shapes-results.txt"
: > "$results"
commands=("readtags" "quarrow-tree --store" "quarrow-tree" "sort")
for ((r = 1; r <= rounds; r++)); do
  for corpus in "${corpora[@]}"; do
    file="$cache/$corpus"
    for command in "${commands[@]}"; do
      case $command in
        readtags) line=$(run readtags -t "$file" -l) ;;
        "quarrow-tree --store") line=$(run "$tool" --store "$file") ;;
        quarrow-tree) line=$(run "$tool" "$file") ;;
        sort) line=$(LC_ALL=C run sort -s -t "$(printf '\t')" -k2,2 "$file") ;;
      esac
      echo "$r|$corpus|$command|$line" >> "$results"
    done
  done
  echo "bench: round $r of $rounds done, load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
done

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds; results in $results"
echo "ratios are medians of each round's ratio to readtags: wall-clock time, and CPU time (user + system)"
for corpus in "${corpora[@]}"; do
  size=$(stat -Lc %s "$cache/$corpus")
  printf '%s: %d lines, %.1f MiB\n' "$corpus" "$(wc -l < "$cache/$corpus")" "$(echo "$size / 1048576" | bc -l)"
  awk -F'|' -v corpus="$corpus" -v size="$size" '
    function median(list, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && list[j - 1] > list[j]; j--) { t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
      return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
    }
    $2 == corpus {
      split($4, f, " "); ns[$1, $3] = f[1]; cpu[$1, $3] = f[3]; rounds[$1] = 1
      kb[$3] = kb[$3] > f[2] ? kb[$3] : f[2]; anon[$3] = anon[$3] > f[4] ? anon[$3] : f[4]
    }
    END {
      split("readtags|quarrow-tree --store|quarrow-tree|sort", order, "|")
      for (c = 1; c <= 4; c++) {
        name = order[c]; n = 0
        for (r in rounds) {
          n++; times[n] = ns[r, name] / 1e9; ratios[n] = ns[r, name] / ns[r, "readtags"]
          cpus[n] = cpu[r, name]; cpuRatios[n] = cpu[r, "readtags"] > 0 ? cpu[r, name] / cpu[r, "readtags"] : 0
        }
        printf "  %-22s wall %7.3f s %5.2fx   cpu %7.3f s %5.2fx   peak %7.1f MiB %4.2fx file   anon %7.1f MiB %4.2fx\n",
               name, median(times, n), median(ratios, n), median(cpus, n), median(cpuRatios, n),
               kb[name] / 1024, kb[name] * 1024 / size, anon[name] / 1024, anon[name] * 1024 / size
      }
    }' "$results"
done
echo "goals: quarrow-tree --store and quarrow-tree at most 1.0x readtags on jdk.tags and kernel-sort-no.tags,"
echo "       at most 1.5x on the other shapes; peak memory at most 1.3x the file"
echo "the peak counts the mapped file's pages (resident while they are viewed); anon leaves them out"
