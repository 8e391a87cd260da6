#!/usr/bin/env bash
# End to end: the real quarrow under Xvfb.
#   tags     "-T" over the sample tree shows "QR-SOURCE.tags - Quarrow" (and a screenshot of it)
#   second   a second "-T" start closes the first window, which writes its settings on the way out
#   jump     End and Enter in the tree start the configured editor (a fake one that records its
#            arguments) at the tag's line and file
#   filter   Ctrl+F, a name typed into the filter field and Enter start the editor at that tag
# Usage: app_e2e.sh QUARROW_EXECUTABLE SAMPLE_DIR MODE [SCREENSHOT]
set -euo pipefail
exe=$1
sample=$2
mode=$3
shot=${4:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() {
  echo "FAIL: $*"
  echo "--- quarrow.INI"; cat "$work/quarrow.INI" 2>/dev/null || true
  echo "--- quarrow.log"; cat "$work/quarrow.log" 2>/dev/null || true
  exit 1
}

# A private copy of the program, so that its profile and tmp folder live in the scratch folder.
cp "$exe" "$work/quarrow"

# A display of our own: the first free number of a range the other end-to-end scripts do not use.
source "$(dirname "$0")/e2e_helpers.sh"
start_display 140 179
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# A fake editor that records its arguments, a profile that starts it, and quarrow on
# proj/proj.tags with its window focused (in $win).
open_with_fake_editor() {
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
  sleep 0.3
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
  # Two lines were added above the class since ctags ran: the jump finds it on line 5.
  printf '// one\n// two\npackage p;\n\npublic class Solo {\n}\n' > "$work/proj/src/Solo.java"
  open_with_fake_editor
  # One file: the builder has opened its folder and file; End selects the tag, Enter jumps. The
  # keys go again until the editor has run, as the window may not take keys at once on a busy
  # machine (another jump only starts the editor once more with the same arguments).
  for _ in $(seq 30); do
    xdotool key --window "$win" End Return
    for _ in $(seq 20); do [ -e "$work/editor.args" ] && break 2; sleep 0.1; done
  done
  [ -e "$work/editor.args" ] || fail "the editor was not started"
  expected=$(printf '+5\n%s/proj/src/Solo.java' "$work")
  [ "$(cat "$work/editor.args")" = "$expected" ] || fail "editor arguments: $(cat "$work/editor.args")"
  ;;
filter)
  mkdir -p "$work/proj/src/a" "$work/proj/src/b"
  {
    printf 'Alpha\tsrc/a/Alpha.java\t/^public class Alpha {$/;"\tc\tline:2\taccess:public\n'
    printf 'start\tsrc/a/Alpha.java\t/^  void start() {$/;"\tm\tline:7\tclass:Alpha\taccess:public\n'
    printf 'Beta\tsrc/b/Beta.java\t/^public class Beta {$/;"\tc\tline:3\taccess:public\n'
    printf 'computeTotal\tsrc/b/Beta.java\t/^  int computeTotal() {$/;"\tm\tline:42\tclass:Beta\taccess:public\n'
  } > "$work/proj/proj.tags"
  { seq -f '// %g' 41; printf '  int computeTotal() {\n'; } > "$work/proj/src/b/Beta.java"
  open_with_fake_editor
  # Ctrl+F, the name and Enter; again from a cleared field (Esc) while the editor has not run
  # with the filtered tag, as keys typed before the field is shown go to the tree instead.
  expected=$(printf '+42\n%s/proj/src/b/Beta.java' "$work")
  for attempt in $(seq 10); do
    rm -f "$work/editor.args"
    xdotool key --window "$win" Escape ctrl+f
    sleep 0.3
    xdotool type --window "$win" --delay 30 total
    sleep 0.3
    if [ "$attempt" = 1 ] && [ -n "$shot" ] && command -v import >/dev/null; then
      import -window root "$shot"
    fi
    xdotool key --window "$win" Return
    for _ in $(seq 30); do [ -e "$work/editor.args" ] && break; sleep 0.1; done
    [ "$(cat "$work/editor.args" 2>/dev/null)" = "$expected" ] && break
  done
  [ -e "$work/editor.args" ] || fail "the editor was not started"
  expected=$(printf '+42\n%s/proj/src/b/Beta.java' "$work")
  [ "$(cat "$work/editor.args")" = "$expected" ] || fail "editor arguments: $(cat "$work/editor.args")"
  ;;
*)
  echo "unknown mode $mode"; exit 2 ;;
esac
echo "PASS: $mode"
