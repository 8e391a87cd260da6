#!/usr/bin/env bash
# End to end: "-T" over a folder with the real ctags, F5 before any key is pressed, and then the
# keys: the first key after the new tags are shown counts (End goes to the last row, Enter opens
# its tag in a recording editor), and the tree has kept the keyboard through the run.
# Usage: keys_after_refresh_e2e.sh QUARROW_EXECUTABLE WM(bare|openbox)
set -euo pipefail
exe=$1
wm=$2
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
  echo "--- tags"; cat "$work/tmp/QR-SOURCE.tags" 2>/dev/null || true
  echo "--- log"; cat "$work/quarrow.log" 2>/dev/null || true
  exit 1
}

start_display 180 219
if [ "$wm" = openbox ]; then
  start_openbox
fi
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

cp "$exe" "$work/quarrow"
# One file in one folder: the tree opens both, and the last row is the file's last member.
mkdir -p "$work/proj/src"
cat > "$work/proj/src/Alpha.java" <<'JAVA'
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

# The window marks each tags file it has shown ("load_stage shown") on its standard error.
(cd "$work" && QUARROW_LOAD_TIMES=1 exec ./quarrow "-T$work/proj") >>"$work/quarrow.log" 2>&1 &
pids+=($!)
shown() { grep -c '^load_stage shown ' "$work/quarrow.log" 2>/dev/null || true; }

win=$(wait_window "QR-SOURCE.tags - Quarrow") || fail "no window titled QR-SOURCE.tags - Quarrow"
for _ in $(seq 300); do [ "$(shown)" -ge 1 ] && break; sleep 0.1; done
[ "$(shown)" -ge 1 ] || fail "the tags were never shown"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"

# A method added below run(): after F5 it is the last row.
cat > "$work/proj/src/Alpha.java" <<'JAVA'
package demo;
public class Alpha {
    public void run() {
    }
    public void stop() {
    }
}
JAVA
xdotool key --window "$win" F5
for _ in $(seq 300); do [ "$(shown)" -ge 2 ] && break; sleep 0.1; done
[ "$(shown)" -ge 2 ] || fail "F5 did not show new tags"
grep -q $'^stop\t' "$work/tmp/QR-SOURCE.tags" || fail "F5 did not make the new tags"

# The first keys after the run: End, then Enter.
xdotool key --window "$win" End Return
for _ in $(seq 100); do [ -e "$work/editor.args" ] && break; sleep 0.1; done
[ -e "$work/editor.args" ] || fail "End and Enter after F5 started no editor"
[ "$(cat "$work/editor.args")" = "$(printf '+5\n%s/proj/src/Alpha.java' "$work")" ] \
  || fail "End and Enter after F5 opened $(tr '\n' ' ' < "$work/editor.args")instead of stop()"
echo "PASS: $wm"
