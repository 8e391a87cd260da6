# Helpers the end-to-end scripts of the program share; sourced, with $work (the scratch folder)
# and the array pids (processes to end at exit) set by the caller.

# A display of our own: the first free number from $1 to $2 (a range the other end-to-end scripts
# do not use). Exports DISPLAY.
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

# Starts the private copy of the program in $work with the arguments given; its process id is
# left in $last.
start_quarrow() {
  (cd "$work" && exec ./quarrow "$@") >>"$work/quarrow.log" 2>&1 &
  pids+=($!)
  last=$!
}
