# Shared by the end-to-end scripts that run the window under Xvfb. Source it, then call
# make_scratch_folder, which sets `work` (a scratch folder) and `pids` (the processes to end).

# Makes the scratch folder $work and the array pids; at exit every process in pids is ended
# (SIGTERM closes the program the normal way, writing its profile: it is waited for) and the
# folder is removed.
make_scratch_folder() {
  work=$(mktemp -d)
  pids=()
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
}

# Starts Xvfb on a free display number from $1 to $2 and exports DISPLAY. Scripts that start at
# the same moment take turns (a lock file in /tmp): an Xvfb started on a number another one is
# just taking removes that one's socket, and two scripts on one server see each other's windows.
# The server that answers must be the one started here (its lock file names it): when a run
# without the turn-taking took the number at the same moment, ours ends and the next is tried.
start_display() {
  local lock=/tmp/.quarrow-e2e-display.lock
  exec {lock_fd}>>"$lock"
  flock -w 60 "$lock_fd" || true
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # -noreset: the server would otherwise reset when the probe below disconnects, and refuse the
    # next client while it does.
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    local pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 300); do
      kill -0 "$pid" 2>/dev/null || break
      if xdotool getmouselocation >/dev/null 2>&1 && kill -0 "$pid" 2>/dev/null \
        && grep -q "^ *$pid\$" "/tmp/.X$n-lock" 2>/dev/null; then
        pids+=("$pid")
        exec {lock_fd}>&-
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  exec {lock_fd}>&-
  echo "no free display"; exit 1
}

# Starts openbox on $DISPLAY (extra arguments go to it) and waits (up to 60 s) until it manages
# the screen, which it says by naming itself on the root window: a window mapped while the
# manager is still starting can stay unmapped.
start_openbox() {
  openbox --sm-disable "$@" >"$work/openbox.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "FAIL: openbox did not start: $(cat "$work/openbox.log")"
  exit 1
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

# Writes a stand-in editor at $work/editor that records its arguments, one a line, in
# $work/editor.args (written whole, by a rename, so a reader never sees half of it).
write_recording_editor() {
  cat > "$work/editor" <<EDITOR
#!/bin/sh
for a in "\$@"; do printf '%s\n' "\$a"; done > "$work/editor.args.tmp"
mv "$work/editor.args.tmp" "$work/editor.args"
EDITOR
  chmod +x "$work/editor"
}
