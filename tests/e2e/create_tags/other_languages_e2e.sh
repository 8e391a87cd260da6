#!/usr/bin/env bash
# End to end: the README's parameter template for languages other than Java, in the profile as a
# user writes it, over a small C++ tree: the real quarrow started with "-T" under Xvfb and openbox
# and the real ctags. Every word of the template reaches ctags (its first one, --recurse=yes,
# too), so the tags file has the tree's classes and functions and the window shows it.
# Usage: other_languages_e2e.sh QUARROW_EXECUTABLE QUARROW_TREE_EXECUTABLE CPP_DIR [SCREENSHOT]
set -euo pipefail
exe=$1
tree_exe=$2
sources=$3
shot=${4:-}
for tool in Xvfb xdotool openbox xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/bin/ctags ] || { echo "SKIP: /usr/bin/ctags is not installed"; exit 77; }

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() {
  echo "FAIL: $*"
  echo "--- quarrow.log"; cat "$work/quarrow.log" 2>/dev/null || true
  exit 1
}

# A private copy of the program, so that its profile and tmp folder live in the scratch folder;
# a copy of the sources, so that nothing is written beside the repository's.
cp "$exe" "$work/quarrow"
cp -r "$sources" "$work/cpp tree"
# The template exactly as the README gives it.
cat > "$work/quarrow.INI" <<'INI'
[SYSTEM]
MULTIVIEW=1
[TAGS]
CTAGSPATH=/usr/bin/ctags
PARAM=--recurse=yes --fields=+anmfklSZ --sort=no -f@tags @target
INI

start_display 340 379
start_openbox
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
(cd "$work" && exec ./quarrow "-T$work/cpp tree") >"$work/quarrow.log" 2>&1 &
app=$!
pids+=($app)

wait_window "QR-SOURCE.tags - Quarrow" >/dev/null || fail "no window titled QR-SOURCE.tags - Quarrow"
kill -0 "$app" || fail "quarrow ended"
# No message box over the window ("ctags made no tags" would be one).
if xdotool search --onlyvisible --name '^Quarrow$' >/dev/null 2>&1; then
  fail "a message box is shown"
fi
tags="$work/tmp/QR-SOURCE.tags"
"$tree_exe" "$tags" >"$work/tree.txt" || fail "quarrow-tree could not read $tags"
for label in "circle.h" "Circle" "Shape" "main.cpp" "main"; do
  grep -q "^ *[0-9]* $label\$" "$work/tree.txt" || { cat "$work/tree.txt"; fail "the tree lacks $label"; }
done
if [ -n "$shot" ] && command -v import >/dev/null; then
  sleep 0.5
  import -window root "$shot" || true
fi
echo "PASS: the README's template gave a tree of $(grep -c . "$work/tree.txt") nodes"
