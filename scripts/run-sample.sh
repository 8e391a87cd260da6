#!/usr/bin/env bash
# Installs what Quarrow needs, builds it, and shows the tags of the sample Java tree:
# quarrow -T<repository>/sample/java. Without a display it starts Xvfb, opens the first folder
# and the File menu, and saves screenshots to build/sample.png and build/sample-menu.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc)" --target quarrow
exe="$root/build/src/app/ui/quarrow"

if [ -n "${DISPLAY:-}" ]; then
  exec "$exe" "-T$root/sample/java"
fi

# At exit Quarrow is closed first and waited for (SIGTERM closes it the normal way), and only then
# the display it draws on: a server that goes first leaves it talking to nothing, and it ends
# with "The X11 connection broke".
xvfb=
app=
cleanup() {
  if [ -n "$app" ]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
}
trap cleanup EXIT
for n in $(seq 180 219); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  break
done
[ -n "$xvfb" ] || { echo "no free display"; exit 1; }
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
"$exe" "-T$root/sample/java" &
app=$!
win=
for _ in $(seq 300); do
  win=$(xdotool search --name '^QR-SOURCE.tags - Quarrow$' 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "the window did not appear"; exit 1; }
xdotool windowsize "$win" 420 640
xdotool windowfocus "$win" 2>/dev/null || true
sleep 0.3
# Home selects the first folder; "*" opens it and everything below it.
xdotool key --window "$win" Home asterisk
sleep 0.5
import -window root -crop 440x660+0+0 "$root/build/sample.png"
xdotool key --window "$win" alt+f
sleep 0.5
import -window root -crop 440x660+0+0 "$root/build/sample-menu.png"
xdotool key --window "$win" Escape
echo "Screenshots: $root/build/sample.png $root/build/sample-menu.png"
