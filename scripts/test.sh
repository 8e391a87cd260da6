#!/usr/bin/env bash
# Builds Quarrow and runs every test: the full build (core, GUI, end-to-end) and the core again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARROW_WERROR=ON
cmake --build "$root/build" -j "$jobs"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUARROW_GUI=OFF -DQUARROW_SANITIZE=ON -DQUARROW_WERROR=ON
cmake --build "$root/build-sanitize" -j "$jobs"
(cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")
