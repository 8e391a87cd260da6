# Shared by the end-to-end scripts that run the window under Xvfb. Source it after setting
# `work` (a scratch folder) and `pids` (an array the script's cleanup kills).

# Starts Xvfb on the first free display number from $1 to $2 and exports DISPLAY.
start_display() {
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    local pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdotool getmouselocation >/dev/null 2>&1 && { pids+=("$pid"); return 0; }
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "no free display"; exit 1
}

# Waits (up to 30 s) until a window titled exactly $1 exists and prints its id.
wait_window() {
  for _ in $(seq 300); do
    local id
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
