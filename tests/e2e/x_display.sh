# Shared by the end-to-end scripts that run the window under Xvfb. Source it after setting
# `work` (a scratch folder) and `pids` (an array the script's cleanup kills).

# Starts Xvfb on a free display and exports DISPLAY. Xvfb picks the number itself and tells it
# (-displayfd), so that runs started at the same moment never share a server; the range
# arguments ($1, $2) of earlier callers are no longer needed.
start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
  for _ in $(seq 300); do xdotool getmouselocation >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "the display does not answer"; exit 1
}

# Waits (up to 30 s) until a window titled exactly $1 is shown and prints its id.
wait_window() {
  for _ in $(seq 300); do
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
