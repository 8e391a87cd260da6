#!/usr/bin/env bash
# Builds Quarrow and runs every test: the full build (core, GUI, end-to-end); the core and the
# widget tests again under AddressSanitizer and UndefinedBehaviorSanitizer; and each fuzz target
# for a short fixed time (scripts/fuzz.sh runs them longer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARROW_WERROR=ON
cmake --build "$root/build" -j "$jobs"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

# The end-to-end runs stay in the normal build: they drive the real program under Xvfb and
# would only repeat the widget tests' code at many times the cost. The widget tests run
# offscreen; leaks inside Qt's own libraries are suppressed (see tests/sanitize/lsan.supp), and
# the build's test discovery runs the test programs, so the options hold for it too.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUARROW_GUI=ON -DQUARROW_E2E=OFF -DQUARROW_SANITIZE=ON -DQUARROW_WERROR=ON
cmake --build "$root/build-sanitize" -j "$jobs"
(cd "$root/build-sanitize" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

"$root/scripts/fuzz.sh" 30
