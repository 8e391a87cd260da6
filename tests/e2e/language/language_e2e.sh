#!/usr/bin/env bash
# The real quarrow under Xvfb, with openbox (when it is installed) or with no window manager, in
# the locale's language:
#   en   LANG=en_US.UTF-8 shows "Untitled - Quarrow"; Help > About opens "About Quarrow"
#   ja   LANG=ja_JP.UTF-8 shows "無題 - Quarrow"; Help > About opens "Quarrowのﾊﾞｰｼﾞｮﾝ情報"
# With SHOTS_DIR, screenshots of the window with the File menu open and of the About box.
# Usage: language_e2e.sh QUARROW_EXECUTABLE MODE openbox|none [SHOTS_DIR]
set -euo pipefail
exe=$1
mode=$2
wm=$3
shots=${4:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
case "$mode" in
en) locale=en_US.UTF-8 title="Untitled - Quarrow" about="About Quarrow" ;;
ja) locale=ja_JP.UTF-8 title="無題 - Quarrow" about="Quarrowのﾊﾞｰｼﾞｮﾝ情報" ;;
*) echo "unknown mode $mode"; exit 2 ;;
esac
locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}" || { echo "SKIP: locale $locale is not generated"; exit 77; }

source "$(dirname "$0")/../x_display.sh"
make_scratch_folder
fail() { echo "FAIL: $*"; cat "$work/quarrow.log" 2>/dev/null || true; exit 1; }

# A private copy of the program, so that its profile lives in the scratch folder.
cp "$exe" "$work/quarrow"

# A display of our own, from a range the other end-to-end scripts do not use.
start_display 300 339
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ "$wm" = openbox ] && command -v openbox >/dev/null; then
  start_openbox
fi

(cd "$work" && exec env LC_ALL= LC_MESSAGES= LANGUAGE= LANG="$locale" ./quarrow) >"$work/quarrow.log" 2>&1 &
pids+=($!)
win=$(wait_window "$title") || fail "no window titled $title"
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"

if [ -n "$shots" ]; then
  mkdir -p "$shots"
  xdotool key --window "$win" alt+f
  sleep 0.5  # the menu has no window of its own to wait for
  import -window root "$shots/quarrow_${mode}_${wm}_file_menu.png"
  xdotool key Escape
fi

# Help > About through the menus' mnemonics (the popup takes the second key from the queue).
# The mnemonics work once the program has taken the focus in, which a busy machine may not have
# done yet: the keys go again (after closing any menu left open) until the box shows.
box=
for _ in $(seq 15); do
  xdotool key --clearmodifiers alt+h a
  for _ in $(seq 20); do
    box=$(xdotool search --onlyvisible --name "^$about\$" 2>/dev/null | head -n1 || true)
    [ -n "$box" ] && break 2
    sleep 0.1
  done
  xdotool key Escape Escape
done
[ -n "$box" ] || fail "Help > About opened no window titled $about"
if [ -n "$shots" ]; then
  sleep 0.3
  import -window root "$shots/quarrow_${mode}_${wm}_about.png"
fi
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
echo "PASS $mode $wm"
