#!/usr/bin/env bash
# End to end: the real quarrow under Xvfb.
#   tags     "-T" over the sample tree shows "QR-SOURCE.tags - Quarrow" (and a screenshot of it)
#   second   a second "-T" start closes the first window, which writes its settings on the way out
#   jump     End and Enter in the tree start the configured editor (a fake one that records its
#            arguments) at the tag's line and file
# Usage: app_e2e.sh QUARROW_EXECUTABLE SAMPLE_DIR MODE [SCREENSHOT]
set -euo pipefail
exe=$1
sample=$2
mode=$3
shot=${4:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- quarrow.INI"; cat "$work/quarrow.INI" 2>/dev/null || true; exit 1; }

# A private copy of the program, so that its profile and tmp folder live in the scratch folder.
cp "$exe" "$work/quarrow"

# A display of our own: the first free number of a range the other end-to-end scripts do not use.
source "$(dirname "$0")/../x_display.sh"
start_display 140 179
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Waits (up to 30 s) until process $1 has ended.
wait_gone() {
  for _ in $(seq 300); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
start_quarrow() {
  (cd "$work" && exec ./quarrow "$@") >>"$work/quarrow.log" 2>&1 &
  pids+=($!)
  last=$!
}

case "$mode" in
tags)
  start_quarrow "-T$sample"
  win=$(wait_window "QR-SOURCE.tags - Quarrow") || fail "no window titled QR-SOURCE.tags - Quarrow"
  [ -s "$work/tmp/QR-SOURCE.tags" ] || fail "no tags file in tmp"
  if [ -n "$shot" ] && command -v import >/dev/null; then
    sleep 0.5
    import -window root "$shot"
  fi
  ;;
second)
  start_quarrow "-T$sample"
  first=$last
  wait_window "QR-SOURCE.tags - Quarrow" >/dev/null || fail "first window missing"
  grep -q '^X=' "$work/quarrow.INI" && fail "placement written before the window closed"
  start_quarrow "-T$sample"
  second=$last
  wait_gone "$first" || fail "the first instance did not end"
  wait "$first" || fail "the first instance ended with an error"
  # The first one wrote its settings while closing.
  grep -q '^X=' "$work/quarrow.INI" || fail "the first instance wrote no placement"
  grep -q "^LASTTAGS=$work/tmp/QR-SOURCE.tags" "$work/quarrow.INI" || fail "no LASTTAGS"
  kill -0 "$second" 2>/dev/null || fail "the second instance is not running"
  wait_window "QR-SOURCE.tags - Quarrow" >/dev/null || fail "second window missing"
  ;;
jump)
  mkdir -p "$work/proj/src"
  printf 'Solo\tsrc/Solo.java\t/^public class Solo {$/;"\tc\tline:3\taccess:public\n' > "$work/proj/proj.tags"
  write_recording_editor
  cat > "$work/quarrow.INI" <<INI
[SYSTEM]
MULTIVIEW=1
[EDITOR]
EDITORPATH=$work/editor
EDITORFORMAT=+@l @f
INI
  start_quarrow "$work/proj/proj.tags"
  win=$(wait_window "proj.tags - Quarrow") || fail "no window titled proj.tags - Quarrow"
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  # One file: the builder has opened its folder and file; End selects the tag, Enter jumps. The
  # keys go again until the editor has run, as the window may not take keys at once on a busy
  # machine (another jump only starts the editor once more with the same arguments).
  for _ in $(seq 30); do
    xdotool key --window "$win" End Return
    for _ in $(seq 20); do [ -e "$work/editor.args" ] && break 2; sleep 0.1; done
  done
  [ -e "$work/editor.args" ] || fail "the editor was not started"
  expected=$(printf '+3\n%s/proj/src/Solo.java' "$work")
  [ "$(cat "$work/editor.args")" = "$expected" ] || fail "editor arguments: $(cat "$work/editor.args")"
  ;;
*)
  echo "unknown mode $mode"; exit 2 ;;
esac
echo "PASS: $mode"
