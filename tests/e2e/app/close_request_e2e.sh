#!/usr/bin/env bash
# End to end: the real quarrow under Xvfb is asked to close while one of its modal windows is open,
# by a later "-T" start (the single-instance rule) or by a signal, and must end cleanly: exit code
# 0, no socket file left, and every profile write of the shutdown (window placement, the view's
# settings, "LASTTAGS", the recent files). A signal must end it within two seconds.
#   MODAL    about | open | save | settings | create | message | none, or failedrun: the message
#            of a create-tags run whose ctags failed, over the run's progress window (the run's
#            hidden tags file must be gone afterwards)
#   REQUEST  instance (a second "-T" start) | TERM | HUP | INT (the signal)
#   WM       openbox to run under a window manager, anything else for none
# Usage: close_request_e2e.sh QUARROW_EXECUTABLE SAMPLE_DIR MODAL REQUEST [WM] [SCREENSHOT]
set -euo pipefail
exe=$1
sample=$2
modal=$3
request=$4
wm=${5:-none}
shot=${6:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ "$wm" = openbox ]; then
  command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
fi

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() {
  echo "FAIL ($modal, $request, $wm): $*"
  echo "--- quarrow.INI"; cat "$work/quarrow.INI" 2>/dev/null || true
  echo "--- quarrow.log"; cat "$work/quarrow.log" 2>/dev/null || true
  echo "--- windows on $DISPLAY"
  for w in $(xdotool search --name . 2>/dev/null); do
    echo "$(xdotool getwindowname "$w" 2>/dev/null) $(xwininfo -id "$w" 2>/dev/null | grep -E 'Map State|geometry' | tr -s ' \n' ' ')"
  done
  echo "--- processes"; ps -o pid,stat,etime,args -p "${pids[*]}" 2>/dev/null || true
  exit 1
}

# A private copy of the program, so that its profile and tmp folder live in the scratch folder.
cp "$exe" "$work/quarrow"
# A recent file that no longer exists: choosing it brings up the file-error message.
cat > "$work/quarrow.INI" <<INI
[Recent File List]
File1=$work/gone.tags
INI
if [ "$modal" = failedrun ]; then
  # ctags for "-T"; a run that writes into $work/out shows for a moment and fails.
  mkdir "$work/out"
  printf '#!/bin/sh\ncase "$*" in *"%s/."*) sleep 1; exit 3;; esac\nexec /usr/bin/ctags "$@"\n' "$work/out" > "$work/ctags"
  chmod +x "$work/ctags"
  printf '[TAGS]\nCTAGSPATH=%s\n' "$work/ctags" >> "$work/quarrow.INI"
fi

source "$(dirname "$0")/e2e_helpers.sh"
start_display 220 259
if [ "$wm" = openbox ]; then
  start_openbox
fi
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"


start_quarrow "-T$sample"
first=$last
main=$(wait_window "QR-SOURCE.tags - Quarrow") || fail "no window titled QR-SOURCE.tags - Quarrow"
sleep 0.3

# Opens the modal window from the keyboard, as a user would, and waits until it shows.
case "$modal" in
about)    keys=(alt+h a);  title="Quarrowのﾊﾞｰｼﾞｮﾝ情報" ;;
open)     keys=(ctrl+o);   title="開く" ;;
save)     keys=(alt+f a);  title="名前を付けて保存" ;;
settings) keys=(alt+s);    title="設定" ;;
create)   keys=(ctrl+n);   title="TAGSファイルの作成画面" ;;
message)  keys=(alt+f 2);  title="Quarrow" ;;  # the second recent file is the missing one
failedrun) keys=(ctrl+n);  title="TAGSファイルの作成画面" ;;
none)     keys=();         title= ;;
*) echo "unknown modal window $modal"; exit 2 ;;
esac
# Waits (up to $2 tenths of a second) for a visible window titled exactly $1.
window_shows() {
  for _ in $(seq "$2"); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
if [ -n "$title" ]; then
  # A busy machine may drop keys that come before the menu is up: try again after Escape.
  opened=
  for _ in 1 2 3 4 5; do
    timeout 5 xdotool windowactivate --sync "$main" 2>/dev/null || timeout 5 xdotool windowfocus --sync "$main" 2>/dev/null || true
    for key in "${keys[@]}"; do
      xdotool key --clearmodifiers "$key"
      sleep 0.5
    done
    if window_shows "$title" 50; then opened=1; break; fi
    xdotool key Escape Escape
    sleep 0.5
  done
  [ -n "$opened" ] || fail "the modal window $title did not open"
  if [ "$modal" = failedrun ]; then
    dialog=$(xdotool search --onlyvisible --name "^$title\$" | head -n1)
    timeout 5 xdotool windowfocus --sync "$dialog" || true
    # The focus starts on OK: Cancel, "...", then the tags file field, then the target.
    xdotool key Tab Tab Tab ctrl+a
    xdotool type --delay 5 "$work/out/x.tags"
    xdotool key Tab ctrl+a
    xdotool type --delay 5 "$sample"
    xdotool key Return
    # The failure's message comes over the progress window: two windows titled Quarrow.
    shown=
    for _ in $(seq 300); do
      [ "$(xdotool search --onlyvisible --name '^Quarrow$' 2>/dev/null | wc -l)" -ge 2 ] && { shown=1; break; }
      sleep 0.1
    done
    [ -n "$shown" ] || fail "no message over the progress window"
    ls -A "$work/out" | grep -q '^\.x\.tags' || fail "no hidden tags file while the message is open"
  fi
  if [ -n "$shot" ] && command -v import >/dev/null; then
    import -window root "$shot"
  fi
fi
grep -q '^X=' "$work/quarrow.INI" && fail "placement written before the window closed"
socket="$XDG_RUNTIME_DIR/quarrow-$(id -u)-$first"
[ -S "$socket" ] || fail "the first instance has no socket $socket"

case "$request" in
instance)
  start_quarrow "-T$sample"
  second=$last
  wait_exit "$first" 20 || fail "the first instance did not end"
  ;;
TERM|HUP|INT)
  asked=$(date +%s%N)
  kill -s "$request" "$first"
  wait_exit "$first" 2 || fail "the first instance did not end within two seconds of SIG$request"
  echo "ended $(( ($(date +%s%N) - asked) / 1000000 )) ms after SIG$request"
  ;;
*) echo "unknown request $request"; exit 2 ;;
esac
[ "$exit_status" -eq 0 ] || fail "the first instance ended with status $exit_status"
if [ "$modal" = failedrun ]; then
  leftover=$(ls -A "$work/out")
  [ -z "$leftover" ] || fail "the run left files behind: $leftover"
fi
grep -qiE 'double free|munmap_chunk|segmentation|abort' "$work/quarrow.log" && fail "a crash was reported"
[ -e "$socket" ] && fail "the socket file of the first instance was left"

# Every write of the shutdown order happened.
for key in X Y CX CY EDITORPATH EDITORFORMAT CTAGSPATH RESTART_READ SINGLSELECT TIPMESSAGE MAINMENU MULTIVIEW PARAM; do
  grep -q "^$key=" "$work/quarrow.INI" || fail "no $key written"
done
grep -q "^LASTTAGS=$work/tmp/QR-SOURCE.tags\$" "$work/quarrow.INI" || fail "no LASTTAGS"
grep -q "^File1=$work/tmp/QR-SOURCE.tags\$" "$work/quarrow.INI" || fail "the recent files were not written"
# A cancelled dialog changed nothing it should not have.
[ -e "$work/gone.tags" ] && fail "a file appeared where none was asked for"

if [ "$request" = instance ]; then
  kill -0 "$second" 2>/dev/null || fail "the second instance is not running"
  wait_window "QR-SOURCE.tags - Quarrow" >/dev/null || fail "second window missing"
fi
echo "PASS: $modal $request $wm"
