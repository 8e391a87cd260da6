# Helpers the end-to-end scripts of the program share besides ../x_display.sh; sourced, with
# $work (the scratch folder) and the array pids (processes to end at exit) set by the caller.

# Starts the private copy of the program in $work with the arguments given; its process id is
# left in $last. SIGINT is given back its default action, as a program started from a terminal
# has it (a script starts its background jobs with SIGINT ignored).
start_quarrow() {
  (cd "$work" && exec env --default-signal=INT ./quarrow "$@") >>"$work/quarrow.log" 2>&1 &
  pids+=($!)
  last=$!
}

# Waits until the program $1 (a child of this shell) has ended, for at most $2 seconds; its exit
# status is left in $exit_status. The wait itself is the shell's wait for the child: a watchdog
# ends the program when the time is up, and the result is then false.
wait_exit() {
  local pid=$1 limit=$2 flag="$work/.timed-out-$1" watchdog
  rm -f "$flag"
  (
    trap 'kill "$timer" 2>/dev/null; exit 0' TERM
    sleep "$limit" & timer=$!
    wait "$timer"
    touch "$flag"
    kill -s KILL "$pid" 2>/dev/null
  ) &
  watchdog=$!
  exit_status=0
  wait "$pid" || exit_status=$?
  kill "$watchdog" 2>/dev/null || true
  wait "$watchdog" 2>/dev/null || true
  [ ! -e "$flag" ]
}

# Waits (up to 20 s) until process $1 has ended.
wait_gone() {
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
