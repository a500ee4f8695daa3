#!/usr/bin/env bash
# The desktop's media controls: playerctl drives and reads the real program on a
# private session bus under a virtual display.
# Usage: mpris_test.sh <folder of the built program> <make_demo>. Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/harness.sh"
bin="$1"
make_demo="$2"
harness_need Xvfb xwininfo dbus-daemon playerctl dbus-send
harness_begin
harness_program "$bin"
harness_demo "$make_demo"
harness_bus
harness_display

"$work/program/rwn8" >"$work/program.log" 2>&1 &
player=$!
harness_track "$player"
pc() { timeout 5 playerctl -p rwn8 "$@" 2>/dev/null; }
is() {  # expected, command…
  local want="$1"; shift
  [ "$("$@")" = "$want" ]
}
until_is() { harness_until 10 is "$@"; }
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

# Silent at the end of the last row the player still counts itself as playing; the
# desktop hears it stopped.
end=$(awk -v l="$(pc metadata mpris:length)" 'BEGIN { printf "%.1f", l / 1e6 - 0.5 }')
pc position "$end"
until_is Stopped pc status || fail "at the end of the last row: status $(pc status)"

# Quit is the main menu's way out: the program ends and Config2.ini stays unwritten.
timeout 10 dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Quit
harness_until 10 harness_gone "$player" || fail "Quit did not end the program"
[ -e "$work/program/Config2.ini" ] && fail "Quit wrote Config2.ini"
echo "ok: play, pause, next, metadata, position, volume and the end of the list through playerctl; Quit"
