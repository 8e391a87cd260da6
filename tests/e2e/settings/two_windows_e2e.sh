#!/usr/bin/env bash
# End to end: two windows of the real quarrow (several instances allowed) share one profile.
# The first changes the editor's template in its settings dialog and closes; the second, which
# read the profile before that change, closes after it. The change stays, the second window's
# own file leads the recent files and the first one's follows, and the second window's
# "LASTTAGS" is written.
# Usage: two_windows_e2e.sh QUARROW_EXECUTABLE [SCREENSHOT]
set -euo pipefail
exe=$1
shot=${2:-}
for tool in Xvfb xdotool openbox xprop; do
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

# A private copy of the program, so that its profile lives in the scratch folder.
cp "$exe" "$work/quarrow"
cat > "$work/quarrow.INI" <<INI
[SYSTEM]
MULTIVIEW=1
[EDITOR]
EDITORFORMAT=+@l @f
INI
for name in a b; do
  printf 'Foo\tFoo.java\t/^class Foo {$/;"\tc\tline:1\n' > "$work/$name.tags"
done

source "$(dirname "$0")/../app/e2e_helpers.sh"
start_display 400 439
start_openbox
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Blocks until a window titled exactly $1 is shown (up to $2 seconds, 30 by default) and prints
# its id.
window_of() {
  timeout "${2:-30}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1
}
# Waits (up to 30 s) until no window titled exactly $1 is shown.
window_gone() {
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

start_quarrow "$work/a.tags"
first=$last
first_win=$(window_of "a.tags - Quarrow") || fail "no window for a.tags"
start_quarrow "$work/b.tags"
second=$last
window_of "b.tags - Quarrow" >/dev/null || fail "no window for b.tags"
kill -0 "$first" || fail "the second window ended the first"

# The settings dialog of the first window, from the keyboard: its focus starts on OK, and the
# template is the fourth stop (OK, Cancel, editor, template); Return is OK.
dialog=
for _ in 1 2 3; do
  timeout 5 xdotool windowactivate --sync "$first_win" 2>/dev/null || true
  xdotool key --clearmodifiers alt+s
  if dialog=$(window_of "設定" 15) && [ -n "$dialog" ]; then break; fi
  xdotool key Escape
done
[ -n "$dialog" ] || fail "the settings dialog did not open"
timeout 5 xdotool windowactivate --sync "$dialog" 2>/dev/null || true
xdotool key --clearmodifiers Tab Tab Tab ctrl+a
xdotool type --clearmodifiers -- "-l @l @f"
if [ -n "$shot" ] && command -v import >/dev/null; then
  import -window root "$shot"
fi
xdotool key --clearmodifiers Return
window_gone "設定" || fail "the settings dialog did not close"

# SIGTERM closes a window the normal way, writing the profile; the exit is waited for.
kill -TERM "$first"
wait "$first" || fail "the first window ended with status $?"
grep -qx 'EDITORFORMAT=-l @l @f' "$work/quarrow.INI" || fail "the first window did not write its template"
kill -TERM "$second"
wait "$second" || fail "the second window ended with status $?"

grep -qx 'EDITORFORMAT=-l @l @f' "$work/quarrow.INI" || fail "the second window wrote its old template back"
grep -qx "File1=$work/b.tags" "$work/quarrow.INI" || fail "the second window's file does not lead the recent files"
grep -qx "File2=$work/a.tags" "$work/quarrow.INI" || fail "the first window's recent file was lost"
grep -qx "LASTTAGS=$work/b.tags" "$work/quarrow.INI" || fail "the second window's LASTTAGS was not written"
echo "PASS"
