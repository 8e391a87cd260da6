#!/usr/bin/env bash
# End to end: the real quarrow under Xvfb, the create command from the keyboard (Ctrl+N, the tags
# file and target typed into the dialog, Enter), the real ctags over the sample tree, and the new
# tags file shown as the window's document.
# With MODE "cancel" the tool is a stand-in that writes a line and never ends: the progress window
# must appear over a window that still paints, and its Cancel must end the tool, open nothing and
# leave the tags file that was there byte for byte, with no other file beside it.
# Usage: create_tags_e2e.sh QUARROW_EXECUTABLE SAMPLE_DIR [SCREENSHOT] [MODE]
set -euo pipefail
exe=$1
sample=$2
shot=${3:-}
mode=${4:-run}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/bin/ctags ] || { echo "SKIP: /usr/bin/ctags is not installed"; exit 77; }

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder

# A private copy of the program, so that its profile lives in the scratch folder.
cp "$exe" "$work/quarrow"
mkdir "$work/out"
tags="$work/out/sample.tags"
ctags=/usr/bin/ctags
if [ "$mode" = cancel ]; then
  ctags="$work/slow-ctags"
  printf '#!/bin/sh\necho $$ > "%s"\nfor a; do case "$a" in -f*) echo partial > "${a#-f}";; esac; done\nexec sleep 600\n' \
    "$work/tool.pid" > "$ctags"
  chmod +x "$ctags"
  printf 'Old\tOld.java\t1;"\tc\n' > "$tags"
  cp "$tags" "$work/old.tags"
fi
cat > "$work/quarrow.INI" <<INI
[SYSTEM]
MULTIVIEW=1
[TAGS]
CTAGSPATH=$ctags
INI

# A display of our own, picked by Xvfb, so that no other run (of this tree or another) shares it.
start_display 60 99

export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
(cd "$work" && exec ./quarrow) >"$work/quarrow.log" 2>&1 &
app=$!
pids+=($app)

# Waits until a window whose title matches $1 exists and prints its id.
wait_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$app" 2>/dev/null || { echo "quarrow ended early" >&2; cat "$work/quarrow.log" >&2; return 1; }
    sleep 0.1
  done
  echo "no window titled '$1'" >&2
  xdotool search --name . getwindowname %@ >&2 2>/dev/null || true
  return 1
}

main=$(wait_window 'Quarrow$')
xdotool windowfocus --sync "$main"
# Ctrl+N is a window shortcut: it works once the program has taken the focus in, which a busy
# machine may not have done yet. Press it until the dialog shows.
dialog=
for _ in $(seq 30); do
  xdotool key --clearmodifiers ctrl+n
  for _ in $(seq 20); do
    dialog=$(xdotool search --onlyvisible --name 'TAGSファイルの作成画面' 2>/dev/null | head -n1 || true)
    [ -n "$dialog" ] && break 2
    sleep 0.1
  done
done
[ -n "$dialog" ] || { echo "Ctrl+N opened no dialog"; exit 1; }
xdotool windowfocus --sync "$dialog"
# The focus starts on OK: Cancel, "...", then the tags file field.
xdotool key Tab Tab Tab ctrl+a
xdotool type --delay 5 "$tags"
xdotool key Tab ctrl+a
xdotool type --delay 5 "$sample"
xdotool key Return

if [ "$mode" = cancel ]; then
  progress=$(wait_window '^Quarrow$')
  for _ in $(seq 300); do [ -s "$work/tool.pid" ] && kill -0 "$(cat "$work/tool.pid")" 2>/dev/null && break; sleep 0.1; done
  [ -s "$work/tool.pid" ] && kill -0 "$(cat "$work/tool.pid")" || { echo "the tool is not running"; exit 1; }
  if [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot" || true; fi
  xdotool windowfocus --sync "$progress"
  xdotool key Escape
  for _ in $(seq 100); do kill -0 "$(cat "$work/tool.pid")" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$(cat "$work/tool.pid")" 2>/dev/null; then echo "Cancel did not end the tool"; exit 1; fi
  for _ in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^Quarrow$' 2>/dev/null)" ] && break; sleep 0.1; done
  [ -z "$(xdotool search --onlyvisible --name '^Quarrow$' 2>/dev/null)" ] || { echo "the progress window stayed"; exit 1; }
  if xdotool search --onlyvisible --name 'sample\.tags - Quarrow' >/dev/null 2>&1; then
    echo "a cancelled run opened the tags file"; exit 1
  fi
  kill -0 "$app" || { echo "quarrow ended"; exit 1; }
  cmp "$tags" "$work/old.tags" || { echo "the cancelled run changed the tags file"; exit 1; }
  [ "$(ls -A "$work/out")" = sample.tags ] || { echo "the cancelled run left files:"; ls -A "$work/out"; exit 1; }
  echo "PASS: cancelled"
  exit 0
fi

wait_window '^sample\.tags - Quarrow$' >/dev/null
grep -q $'^Circle\t' "$tags" || { echo "the tags file lacks the sample's classes"; exit 1; }
grep -q "^${tags//\//\\/}=${sample//\//\\/}\$" "$work/quarrow.INI" \
  || { echo "the target was not remembered:"; cat "$work/quarrow.INI"; exit 1; }
if [ -n "$shot" ] && command -v import >/dev/null; then
  sleep 0.5
  import -window root "$shot" || true
fi
echo "PASS: $tags shown"
