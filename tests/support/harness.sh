# What the shell tests and the player benchmark share when they start the real
# program: a scratch folder that goes at exit with every process started in it, a
# virtual display, a private session bus and sound server where asked for, the
# program copied into the scratch folder, and waits that all give up after a time.
# Safe under `set -e`. Sourced:
#   source tests/support/harness.sh
#   harness_need Xvfb xwininfo        # exit 77 (skipped) without them
#   harness_begin                     # $work, $work/program, XDG_RUNTIME_DIR=$work/runtime
#   harness_program "$bin"            # the program, its fonts and Fon.bmp into $work/program
#   harness_display                   # DISPLAY, QT_QPA_PLATFORM=xcb
#   "$work/program/rwn8" >"$work/program.log" 2>&1 & player=$!; harness_track "$player"
# A failure (`fail`) prints what every *.log in $work holds: the program's own
# output says why a start ended early.

harness_pids=()
harness_exit_commands=()

harness_skip() {
  echo "skipped: $*"
  exit 77
}

harness_need() {
  local tool
  for tool; do command -v "$tool" >/dev/null || harness_skip "$tool is not installed"; done
}

fail() {
  echo "FAIL: $*"
  local log
  for log in "${work:-/nonexistent}"/*.log; do
    [ -s "$log" ] && { echo "--- ${log##*/}"; cat "$log"; }
  done
  exit 1
}

# Microseconds since the epoch.
harness_now() { echo "${EPOCHREALTIME/./}"; }

# Runs the command every tenth of a second until it succeeds (0) or `seconds` have
# passed (1); it runs once more at the end, so a slow machine still gets its last look.
harness_until() {  # seconds, command…
  local end=$(($(harness_now) + $1 * 1000000))
  shift
  while :; do
    "$@" && return 0
    [ "$(harness_now)" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# Runs a command (a function too) for at most `seconds`; its status, or 124 when it
# was stopped.
harness_within() {  # seconds, command…
  local limit=$1
  shift
  "$@" &
  local pid=$!
  if harness_until "$limit" harness_gone "$pid"; then
    wait "$pid"
    return
  fi
  harness_stop "$pid"
  wait "$pid" 2>/dev/null
  return 124
}

# Whether the process runs (a zombie nobody has reaped yet has ended).
harness_alive() {
  local state
  state=$(sed -E 's/.*\) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || true
  [ -n "$state" ] && [ "$state" != Z ]
}
harness_gone() { ! harness_alive "$1"; }

# The parent of a process (empty once it has gone).
harness_parent() {
  sed -E 's/.*\) [A-Za-z] ([0-9]+) .*/\1/' "/proc/$1/stat" 2>/dev/null || true
}

# The process and all its descendants, from /proc.
harness_tree() {
  sed -E 's/^([0-9]+) .*\) [A-Za-z] ([0-9]+) .*/\1 \2/' /proc/[0-9]*/stat 2>/dev/null \
    | awk -v root="$1" '{ parent[$1] = $2 } END {
        tree[root] = 1; print root
        do { more = 0; for (p in parent) if (!(p in tree) && (parent[p] in tree)) { tree[p] = 1; print p; more = 1 } } while (more)
      }'
}

# Ends a process and everything it started: asked first, then killed after 3 s.
harness_stop() {
  local pids pid
  pids=$(harness_tree "$1")
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  for pid in $pids; do harness_until 3 harness_gone "$pid" || kill -9 "$pid" 2>/dev/null || true; done
}

# A process started by this script with `&`, ended at exit if it still runs.
harness_track() { harness_pids+=("$1"); }

# A command run at exit, after the processes end and before the scratch folder goes.
harness_on_exit() { harness_exit_commands+=("$1"); }

harness_cleanup() {
  local status=$? i pid command
  for ((i = ${#harness_pids[@]} - 1; i >= 0; --i)); do
    pid=${harness_pids[i]}
    # Only a child of this script: a number freed by an ended one may be reused.
    [ "$(harness_parent "$pid")" = "$$" ] && harness_stop "$pid"
  done
  for command in "${harness_exit_commands[@]}"; do eval "$command"; done
  [ -n "${work:-}" ] && rm -rf "$work"
  exit "$status"
}

# The scratch folder $work, removed at exit; $work/runtime, private, as the runtime
# folder (where the program puts its socket); no sound server unless one is started.
harness_begin() {
  work=$(mktemp -d)
  trap harness_cleanup EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  mkdir -p "$work/program" "$work/runtime"
  chmod 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
  unset PULSE_SERVER
}

# The program, its fonts and its background picture, copied into $work/program.
harness_program() {  # folder of the built program (or the program itself)
  local bin=$1 exe=$1/rwn8
  [ -f "$bin" ] && { exe=$bin; bin=$(dirname "$bin"); }
  cp "$exe" "$bin"/*.ttf "$bin/Fon.bmp" "$work/program/" || fail "copying the program from $bin"
}

# The two demo tracks and the start-up list that names them, in $work/program.
harness_demo() {  # make_demo
  harness_within 60 "$1" "$work/program" >/dev/null || fail "make_demo"
}

# An X client that gives up after 5 s: a lost server or a bad window id makes
# xwininfo and xdotool wait for ever.
harness_x() { timeout 5 "$@"; }

# A virtual display of its own. -noreset: without it the server resets when its last
# client leaves, and a program connecting at that moment is refused.
harness_display() {
  # The server picks a free display number and writes it to fd 3 once it listens.
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  harness_track $!
  harness_until 10 test -s "$work/display" || harness_skip "the virtual display did not start"
  export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  harness_until 10 harness_x xwininfo -root >/dev/null 2>&1 || harness_skip "the virtual display did not start"
}

# A session bus of its own, as the desktop's media controls need.
harness_bus() {
  harness_need dbus-daemon
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/runtime/bus" --print-address=3 \
    3>"$work/bus" >"$work/bus.log" 2>&1 &
  harness_track $!
  harness_until 10 test -s "$work/bus" || harness_skip "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
  unset DBUS_SESSION_BUS_PID DBUS_SESSION_BUS_WINDOWID
}

# A PulseAudio server of its own with a null sink (`sink`, default rwn8), as the engine's
# tests start it; PULSE_SERVER points at it. Sets sound_server; 1 where it cannot run.
harness_sound() {  # [sink name]
  sound_server=""
  command -v pulseaudio >/dev/null && command -v pactl >/dev/null || return 1
  HOME="$work/runtime" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    --log-level=error -L "module-null-sink sink_name=${1:-rwn8} rate=44100 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native" >"$work/sound.log" 2>&1 &
  sound_server=$!
  harness_track "$sound_server"
  export PULSE_SERVER="unix:$work/runtime/native"
  harness_until 10 harness_within 3 pactl info >/dev/null 2>&1 && return 0
  harness_stop "$sound_server"
  sound_server=""
  unset PULSE_SERVER
  return 1
}

# Top-level windows as "WIDTHxHEIGHT+X+Y".
harness_windows() {
  harness_x xwininfo -root -tree 2>/dev/null | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ ' | sort -u
}
harness_has_window() { harness_windows | grep -q "^$1 $"; }

# Waits until a window of that geometry is there.
harness_wait_window() {  # geometry, seconds
  harness_until "$2" harness_has_window "$1"
}

# The id of a window that process `pid` shows, once one is on screen; fails when none
# showed within `seconds`. A window the process made and took away again is not one.
harness_window_of() {  # pid, seconds
  harness_until "$2" harness_find_window "$1" || return 1
  echo "$harness_window"
}
harness_find_window() {  # pid; sets harness_window
  harness_window=$(harness_x xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1) || true
  [ -n "$harness_window" ] && harness_x xwininfo -id "$harness_window" 2>/dev/null | grep -q IsViewable
}

# Answers a message box of the program under test with its default key.
# On a loaded machine the focus may not have reached the box when the key goes: the
# key is pressed again, up to three times, while the box still stands.
answer_box() {  # window id
  local boxid=$1
  [ -n "$boxid" ] || fail "answer_box: no window to answer"
  for _ in 1 2 3; do
    harness_x xdotool windowfocus --sync "$boxid" key Return 2>/dev/null || harness_x xdotool key Return
    harness_until 3 harness_window_gone "$boxid" && return 0
  done
}
harness_window_gone() { ! harness_x xwininfo -id "$1" >/dev/null 2>&1; }

# A left click at the screen's point.
harness_click() {  # x, y
  harness_x xdotool mousemove "$1" "$2" click 1
}
