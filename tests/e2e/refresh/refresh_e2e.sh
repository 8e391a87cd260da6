#!/usr/bin/env bash
# End to end: "-T" over a folder with the real ctags, a tag selected by typing its name, a Java
# file added to the folder and a line added above the tag, F5: the new file's class appears
# (folded, found by typing its file's name) and the selection is still on the same tag, now at
# its new line (Enter starts a fake editor on it).
# Usage: refresh_e2e.sh QUARROW_EXECUTABLE WM(bare|openbox) [SCREENSHOT]
set -euo pipefail
exe=$1
wm=$2
shot=${3:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/bin/ctags ] || { echo "SKIP: /usr/bin/ctags is not installed"; exit 77; }
if [ "$wm" = openbox ]; then
  command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
fi

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() {
  echo "FAIL: $*"
  echo "--- quarrow.INI"; cat "$work/quarrow.INI" 2>/dev/null || true
  echo "--- tags"; cat "$work/tmp/QR-SOURCE.tags" 2>/dev/null || true
  echo "--- log"; cat "$work/quarrow.log" 2>/dev/null || true
  exit 1
}

# A display of our own, in a range the other end-to-end scripts do not use.
start_display 180 219
if [ "$wm" = openbox ]; then
  start_openbox
fi
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

cp "$exe" "$work/quarrow"
mkdir -p "$work/proj"
cat > "$work/proj/Alpha.java" <<'JAVA'
package demo;
public class Alpha {
    public void run() {
    }
}
JAVA
write_recording_editor
cat > "$work/quarrow.INI" <<INI
[SYSTEM]
MULTIVIEW=1
[EDITOR]
EDITORPATH=$work/editor
EDITORFORMAT=+@l @f
[TAGS]
CTAGSPATH=/usr/bin/ctags
INI

(cd "$work" && exec ./quarrow "-T$work/proj") >>"$work/quarrow.log" 2>&1 &
app=$!
pids+=($app)

# Presses Enter in the tree and prints the editor's arguments (its file line only with "file").
jump() {
  rm -f "$work/editor.args"
  xdotool key --window "$win" Return
  for _ in $(seq 100); do [ -e "$work/editor.args" ] && break; sleep 0.1; done
  [ -e "$work/editor.args" ] || fail "the editor was not started"
  cat "$work/editor.args"
}

win=$(wait_window "QR-SOURCE.tags - Quarrow") || fail "no window titled QR-SOURCE.tags - Quarrow"
tags="$work/tmp/QR-SOURCE.tags"
grep -q "^$tags=$work/proj\$" "$work/quarrow.INI" || fail "the -T run did not remember its folder"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 0.3
# One file: its folder and file are open. Typing a name selects the first row it begins.
xdotool type --window "$win" --delay 60 run
sleep 0.6
[ "$(jump)" = "$(printf '+3\n%s/proj/Alpha.java' "$work")" ] || fail "the selection is not on run()"

# A Java file added, and a line put above run() in the first one: once the window has read the
# new tags, the jump follows run() to its new line, which shows both the reading and the kept
# selection.
cat > "$work/proj/Alpha.java" <<'JAVA'
package demo;
// edited
public class Alpha {
    public void run() {
    }
}
JAVA
cat > "$work/proj/Beta.java" <<'JAVA'
package demo;
public class Beta {
}
JAVA
before=$(stat -c %Y.%i "$tags")
xdotool key --window "$win" F5
for _ in $(seq 300); do
  grep -q $'^Beta\t' "$tags" 2>/dev/null && break
  sleep 0.1
done
grep -q $'^Beta\t' "$tags" || fail "F5 did not make the new tags"
[ "$(stat -c %Y.%i "$tags")" != "$before" ] || fail "the tags file was not replaced"
ls -A "$work/tmp" | grep -qv '^QR-SOURCE.tags$' && fail "a file was left beside the tags file: $(ls -A "$work/tmp")"
moved=$(printf '+4\n%s/proj/Alpha.java' "$work")
for _ in $(seq 100); do
  jumped=$(jump)
  [ "$jumped" = "$moved" ] && break
  [ "$jumped" = "$(printf '+3\n%s/proj/Alpha.java' "$work")" ] || fail "the selection moved off run() after F5: $jumped"
  sleep 0.1
done
[ "$jumped" = "$moved" ] || fail "the window did not show the new tags after F5"
if [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot" || true; fi

# The new file is there, folded: typing its name selects it, and Enter opens it. Typed names
# start afresh after the view's keyboard search interval.
sleep 0.6
xdotool type --window "$win" --delay 60 Beta.java
sleep 0.6
[ "$(jump | tail -n 1)" = "$work/proj/Beta.java" ] || fail "Beta.java is not in the tree after F5"
kill -0 "$app" || fail "quarrow ended"
echo "PASS: $wm"
