#!/usr/bin/env bash
# The real program under a virtual display: the splash, then the player at its
# default place without the libraries it does not use yet, a second start refused,
# and the close button writing Config2.ini.
# Usage: process_test.sh <folder of the built program>. Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/answer_box.sh"
bin="$1"
for tool in Xvfb xwininfo xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
cleanup() {
  [ -n "${second:-}" ] && kill "$second" 2>/dev/null
  [ -n "${player:-}" ] && kill "$player" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {  # with what the program wrote, which says why it ended
  echo "FAIL: $*"
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- ${log##*/}"; cat "$log"; }; done
  exit 1
}

mkdir -p "$work/program" "$work/runtime"
chmod 700 "$work/runtime"
cp "$bin/rwn8" "$bin"/*.ttf "$bin/Fon.bmp" "$work/program/"

# The server picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: the virtual display did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -root >/dev/null 2>&1 || { echo "skipped: the virtual display did not start"; exit 77; }

# Top-level windows as "WIDTHxHEIGHT+X+Y".
windows() { xwininfo -root -tree 2>/dev/null | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ ' | sort -u; }
wait_for() {  # geometry, tenths of a second
  for _ in $(seq "$2"); do windows | grep -q "^$1 $" && return 0; sleep 0.1; done
  return 1
}

"$work/program/rwn8" >"$work/first.log" 2>&1 &
player=$!
wait_for "265x133+548+430" 30 || fail "no splash at 548, 430 within 3 s"
windows | grep -q "^400x240+285+168 $" && fail "the player showed during the splash"
wait_for "400x240+285+168" 50 || fail "no player window at 285, 168 after the splash"
windows | grep -q "^265x133+548+430 $" && fail "the splash stayed after the player showed"
# What the session does not use stays out of its memory: the network until an update
# check, and the image format plugins the skin's own pictures do not need.
grep -q libQt6Network "/proc/$player/maps" && fail "Qt Network loaded before any update check"
grep -q imageformats "/proc/$player/maps" && fail "image format plugins loaded"

# A second copy says so in a message box and ends; the first one runs on.
before=$(windows)
"$work/program/rwn8" >"$work/second.log" 2>&1 &
second=$!
box=""
for _ in $(seq 50); do
  box=$(comm -13 <(echo "$before") <(windows) | head -n1)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "the second start showed no message"
kill -0 "$second" 2>/dev/null || fail "the second start ended before its message was answered"
boxid=$(xwininfo -root -tree | grep -F "$box" | grep -oE '0x[0-9a-f]+' | head -n1)
# The process then ends (a sanitized build checks its memory first, which takes a while).
answer_box "$boxid"
for _ in $(seq 200); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second start did not end after its message"
second=""
kill -0 "$player" 2>/dev/null || fail "the running copy ended with the second start"
[ -e "$work/program/Config2.ini" ] && fail "Config2.ini written before the close button"

# The close button (376, 8; 17 × 15) saves the place and the volume and ends.
xdotool mousemove $((285 + 384)) $((168 + 15)) click 1
for _ in $(seq 50); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
kill -0 "$player" 2>/dev/null && fail "the close button did not end the program"
player=""
ini="$work/program/Config2.ini"
[ -f "$ini" ] || fail "the close button wrote no Config2.ini"
grep -q "Left=285" "$ini" && grep -q "Top=168" "$ini" && grep -q "Leftaa=16" "$ini" \
  || fail "Config2.ini holds $(tr '\r\n' '  ' < "$ini")"
echo "ok: splash, player at 285, 168, second start refused, settings saved by the close button"
