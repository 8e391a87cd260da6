#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one after the other for
# SECONDS (default 30). Fails when a target crashes or breaks one of its checks; the input that
# did it is saved as build-fuzz/artifacts/<target>-crash-... and reproduces with
#   build-fuzz/tests/fuzz/<target> build-fuzz/artifacts/<target>-crash-...
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: tag_line tags_load profile command file_names)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tag_line tags_load profile command file_names)
build="$root/build-fuzz"

"$root/scripts/install-deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUARROW_GUI=OFF -DQUARROW_FUZZ=ON -DQUARROW_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target quarrow_fuzzers

# The longest input of each target: whole files cross the reader's 2047-byte pieces.
declare -A max_len=([tag_line]=4096 [tags_load]=16384 [profile]=4096 [command]=2048 [file_names]=1024)
declare -A dict=([tag_line]=tags [tags_load]=tags [profile]=profile [command]=command [file_names]=file_names)
failed=()
mkdir -p "$build/artifacts" "$build/logs"
# The load and profile targets write a file per input: keep those in memory when the machine has
# a tmpfs, where the profile's fsync costs nothing.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch=$(mktemp -d -p /dev/shm quarrow-fuzz-XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
  export TMPDIR=$scratch
fi
for target in "${targets[@]}"; do
  # New inputs go to the first folder (kept between runs); the seeds in the repository stay as
  # they are.
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: ${seconds}s"
  log="$build/logs/$target.log"
  if "$build/tests/fuzz/${target}_fuzzer" "$corpus" "$root/tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 \
      -dict="$root/tests/fuzz/${dict[$target]}.dict" -artifact_prefix="$build/artifacts/$target-" \
      -print_final_stats=1 >"$log" 2>&1; then
    grep -E '^(#[0-9]+[[:space:]]+DONE|Done |stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' "$log" || true
  else
    tail -n 80 "$log" >&2
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]} (inputs under $build/artifacts/)" >&2
  exit 1
fi
