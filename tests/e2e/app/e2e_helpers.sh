# Helpers the end-to-end scripts of the program share; sourced, with $work (the scratch folder)
# and the array pids (processes to end at exit) set by the caller.

# A display of our own: the first free number from $1 to $2 (a range the other end-to-end scripts
# do not use). A script started at the same moment may pick the same number; the server's lock
# file tells whose server answers, so two scripts never share one and see each other's windows.
# Exports DISPLAY.
start_display() {
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    local pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      if xdotool getmouselocation >/dev/null 2>&1; then
        if kill -0 "$pid" 2>/dev/null && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$pid" ]; then
          pids+=("$pid")
          return 0
        fi
        break
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "no free display"; exit 1
}

# Starts the private copy of the program in $work with the arguments given; its process id is
# left in $last.
start_quarrow() {
  (cd "$work" && exec ./quarrow "$@") >>"$work/quarrow.log" 2>&1 &
  pids+=($!)
  last=$!
}

# Waits (up to 30 s) until a visible window titled exactly $1 exists and prints its id.
wait_window() {
  for _ in $(seq 300); do
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits (up to 20 s) until process $1 has ended.
wait_gone() {
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
