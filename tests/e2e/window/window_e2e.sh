#!/usr/bin/env bash
# End to end: the main window's placement under a real window manager (openbox under Xvfb).
#   cycles     start and close three times: the stored outer rectangle X/Y/CX/CY stays as it was,
#              and the window's frame sits exactly on it (the frame is not added on each start)
#   maximized  close while maximized: the next start opens a normal window that fits the screen
#   dialogs    the tags-creation dialog, shown three times (the window moved before the third),
#              opens centred on the main window each time
# Every step waits for what the window system reports (window mapped and active, the frame
# extents, the state), never for a fixed time.
# Usage: window_e2e.sh QUARROW_EXECUTABLE MODE [SCREENSHOT]
set -euo pipefail
exe=$1
mode=$2
shot=${3:-}
for tool in Xvfb xdotool openbox xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() { echo "FAIL: $*"; echo "--- quarrow.INI"; cat "$work/quarrow.INI" 2>/dev/null || true; exit 1; }

cp "$exe" "$work/quarrow"
screen_w=1024
screen_h=768

start_display 180 219
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Openbox with the default look, Alt+F4 to close and Super+Up to maximize.
cat > "$work/rc.xml" <<'RC'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew></focus>
  <keyboard>
    <keybind key="A-F4"><action name="Close"/></keybind>
    <keybind key="W-Up"><action name="Maximize"/></keybind>
  </keyboard>
</openbox_config>
RC
start_openbox --config-file "$work/rc.xml"

cat > "$work/quarrow.INI" <<INI
[SYSTEM]
MULTIVIEW=1
INI

# Polls (up to 30 s) until the command "$@" succeeds.
wait_for() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  return 1
}
# Polls (up to 2 s) until the command "$@" succeeds.
wait_for_short() {
  for _ in $(seq 20); do "$@" && return 0; sleep 0.1; done
  return 1
}
main_window() { xdotool search --onlyvisible --name ' - Quarrow$' 2>/dev/null | head -n1; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
has_frame() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }
is_maximized() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ\|_NET_WM_STATE_MAXIMIZED_HORZ.*_NET_WM_STATE_MAXIMIZED_VERT'; }
# The outer rectangle "x y w h": the client area and the frame extents the window manager set.
outer_rect() {
  local info ext l r t b x y w h
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= *//; s/,/ /g')
  read -r l r t b <<<"$ext"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
outer_is() { [ "$(outer_rect "$1")" = "$2" ]; }
stored_rect() {
  local key value out=()
  for key in X Y CX CY; do
    value=$(sed -n "s/^$key=//p" "$work/quarrow.INI" | head -n1)
    out+=("${value:-?}")
  done
  echo "${out[*]}"
}

# Starts quarrow and waits until its window is mapped, framed and active; sets $win and $proc.
start_quarrow() {
  (cd "$work" && exec ./quarrow) >>"$work/quarrow.log" 2>&1 &
  proc=$!
  pids+=("$proc")
  wait_for main_window >/dev/null || fail "no main window"
  win=$(main_window)
  wait_for has_frame "$win" || fail "the window manager gave no frame"
  wait_for is_active "$win" || fail "the window never became active"
}
# Closes the window as the user does (Alt+F4 through the window manager) and waits for the end.
close_quarrow() {
  wait_for is_active "$win" || fail "the window is not active"
  xdotool key alt+F4
  wait_for bash -c "! kill -0 $proc 2>/dev/null" || fail "quarrow did not end"
  wait "$proc" || fail "quarrow ended with an error"
}
# One start and close; the frame must settle on the stored rectangle "$1", which stays stored.
cycle() {
  start_quarrow
  wait_for outer_is "$win" "$1" || fail "outer rectangle $(outer_rect "$win"), expected $1"
  close_quarrow
  [ "$(stored_rect)" = "$1" ] || fail "stored $(stored_rect) after a cycle, expected $1"
}

case "$mode" in
cycles)
  for round in 1 2 3; do
    cycle "5 10 300 600"
    echo "round $round: $(stored_rect)"
  done
  sed -i 's/^X=.*/X=120/; s/^Y=.*/Y=90/; s/^CX=.*/CX=480/; s/^CY=.*/CY=360/' "$work/quarrow.INI"
  for round in 1 2; do
    cycle "120 90 480 360"
  done
  start_quarrow
  if [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot"; fi
  close_quarrow
  ;;
maximized)
  start_quarrow
  # Maximize is no toggle: the key goes again until the window manager has taken it.
  for _ in $(seq 30); do
    xdotool key super+Up
    wait_for_short is_maximized "$win" && break
  done
  is_maximized "$win" || fail "openbox did not maximize the window"
  close_quarrow
  read -r x y cx cy <<<"$(stored_rect)"
  echo "stored after a maximized exit: $x $y $cx $cy"
  [ "$cx" -le "$screen_w" ] && [ "$cy" -le "$screen_h" ] || fail "stored size $cx x $cy is larger than the screen"
  start_quarrow
  is_maximized "$win" && fail "the next start opened maximized"
  wait_for outer_is "$win" "$x $y $cx $cy" || fail "outer rectangle $(outer_rect "$win"), expected $x $y $cx $cy"
  read -r ox oy ow oh <<<"$(outer_rect "$win")"
  [ "$ox" -ge 0 ] && [ "$oy" -ge 0 ] && [ $((ox + ow)) -le "$screen_w" ] && [ $((oy + oh)) -le "$screen_h" ] \
    || fail "the window $ox $oy $ow $oh does not fit the screen"
  if [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot"; fi
  close_quarrow
  [ "$(stored_rect)" = "$x $y $cx $cy" ] || fail "stored $(stored_rect) after the next cycle"
  ;;
dialogs)
  sed -i 's/^MULTIVIEW=1$/MULTIVIEW=1\nX=300\nY=100\nCX=400\nCY=500/' "$work/quarrow.INI"
  start_quarrow
  dialog_window() { xdotool search --onlyvisible --name '^TAGSファイルの作成画面$' 2>/dev/null | head -n1; }
  no_dialog() { [ -z "$(dialog_window)" ]; }
  # The centre of a window's client area, "x y".
  centre() {
    local info
    info=$(xwininfo -id "$1")
    echo "$(( $(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") + $(sed -n 's/.*Width: *//p' <<<"$info") / 2 ))" \
         "$(( $(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info") + $(sed -n 's/.*Height: *//p' <<<"$info") / 2 ))"
  }
  for showing in 1 2 3; do
    if [ "$showing" = 3 ]; then
      before=$(centre "$win")
      moved() { [ "$(centre "$win")" != "$before" ]; }
      xdotool windowmove "$win" 450 160
      wait_for moved || fail "the window did not move: $(outer_rect "$win")"
    fi
    wait_for is_active "$win" || fail "the window is not active"
    xdotool key ctrl+n
    wait_for dialog_window >/dev/null || fail "no tags-creation dialog"
    dialog=$(dialog_window)
    wait_for has_frame "$dialog" || fail "the dialog got no frame"
    wait_for is_active "$dialog" || fail "the dialog never became active"
    read -r mx my <<<"$(centre "$win")"
    read -r dx dy <<<"$(centre "$dialog")"
    echo "showing $showing: window centre $mx $my, dialog centre $dx $dy"
    [ $(( (dx - mx) * (dx - mx) + (dy - my) * (dy - my) )) -le 8 ] \
      || fail "showing $showing: the dialog's centre $dx $dy is not the window's $mx $my"
    if [ "$showing" = 1 ] && [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot"; fi
    xdotool key Escape
    wait_for no_dialog || fail "Escape did not close the dialog"
  done
  close_quarrow
  ;;
*)
  echo "unknown mode $mode"; exit 2 ;;
esac
echo "PASS: $mode"
