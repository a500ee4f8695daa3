#!/usr/bin/env bash
# The desktop's media controls: playerctl drives and reads the real program on a
# private session bus under a virtual display.
# Usage: mpris_test.sh <folder of the built program> <make_demo>. Exit 77: skipped.
set -uo pipefail
bin="$1"
make_demo="$2"
for tool in Xvfb dbus-run-session playerctl dbus-send; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
if [ -z "${RWN8_ON_PRIVATE_BUS:-}" ]; then
  RWN8_ON_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
  [ -n "${player:-}" ] && kill "$player" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/log" ] && cat "$work/log"; exit 1; }

mkdir -p "$work/program" "$work/runtime"
chmod 700 "$work/runtime"
cp "$bin/rwn8" "$bin"/*.ttf "$bin/Fon.bmp" "$work/program/"
"$make_demo" "$work/program" >/dev/null || fail "make_demo"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: the virtual display did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY PULSE_SERVER

"$work/program/rwn8" >"$work/log" 2>&1 &
player=$!
pc() { playerctl -p rwn8 "$@" 2>/dev/null; }
until_is() {  # expected, command…
  local want="$1"; shift
  for _ in $(seq 60); do [ "$("$@")" = "$want" ] && return 0; sleep 0.1; done
  return 1
}
until_is Stopped pc status || fail "no media player rwn8 on the bus ($(pc status))"
[ "$(pc metadata mpris:trackid)" != "" ] || fail "no track id before the first track"

pc play
until_is Playing pc status || fail "play: status $(pc status)"
[ "$(pc metadata xesam:title)" = "Рассвет" ] || fail "title '$(pc metadata xesam:title)'"
[ "$(pc metadata xesam:artist)" = "Синтезатор" ] || fail "artist '$(pc metadata xesam:artist)'"
length=$(pc metadata mpris:length)
[ "${length:-0}" -gt 1000000 ] || fail "length $length"
sleep 1.2
p1=$(pc position)
awk -v p="$p1" 'BEGIN { exit !(p > 0.5) }' || fail "position $p1 after a second of play"

pc pause
until_is Paused pc status || fail "pause: status $(pc status)"
p2=$(pc position); sleep 0.5; p3=$(pc position)
[ "$p2" = "$p3" ] || fail "the position moved while paused: $p2 then $p3"

pc next
until_is "Дорога домой" pc metadata xesam:title || fail "next: title '$(pc metadata xesam:title)'"
until_is Playing pc status || fail "next: status $(pc status)"

pc volume 0.5
until_is 0.500000 pc volume || fail "volume $(pc volume)"

# Quit is the main menu's way out: the program ends and Config2.ini stays unwritten.
dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Quit
for _ in $(seq 50); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
kill -0 "$player" 2>/dev/null && fail "Quit did not end the program"
player=""
[ -e "$work/program/Config2.ini" ] && fail "Quit wrote Config2.ini"
echo "ok: play, pause, next, metadata, position and volume through playerctl; Quit"
