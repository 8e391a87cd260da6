# Helpers the end-to-end scripts of the program share besides ../x_display.sh; sourced, with
# $work (the scratch folder) and the array pids (processes to end at exit) set by the caller.

# Starts the private copy of the program in $work with the arguments given; its process id is
# left in $last.
start_quarrow() {
  (cd "$work" && exec ./quarrow "$@") >>"$work/quarrow.log" 2>&1 &
  pids+=($!)
  last=$!
}

# Waits (up to 20 s) until process $1 has ended.
wait_gone() {
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
