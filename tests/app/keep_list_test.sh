#!/usr/bin/env bash
# The playlist kept from one start to the next, on the real program under a virtual
# display with a private session bus (playerctl reads and drives what plays): with
# "KeepList" on, a list changed and a track paused at a place are saved within
# seconds and survive SIGTERM, a playing track survives the main menu's way out (the
# media controls' Quit), and the next start has the list, the row and the place; with
# it off, neither way out touches Config2.ini and the start-up list is Config.ini's again.
# Usage: keep_list_test.sh <folder of the built program> <make_demo>. Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/harness.sh"
bin="$1"
make_demo="$2"
harness_need Xvfb xwininfo dbus-daemon playerctl dbus-send
harness_begin
harness_program "$bin"
harness_demo "$make_demo"
first_demo=$(ls "$work/program/demo/"*.mp3 | head -n1)
harness_bus
harness_display

config2="$work/program/Config2.ini"
pc() { timeout 5 playerctl -p rwn8 "$@" 2>/dev/null; }
row() { pc metadata mpris:trackid | tr -d "'"; }  # the loaded row, as /org/rwn8/track/N
is() {  # expected, command…
  local want="$1"; shift
  [ "$("$@")" = "$want" ]
}
until_is() { harness_until 10 is "$@"; }
# The position in seconds lies within [from, to].
near() {  # from, to
  local p; p=$(pc position)
  awk -v p="$p" -v a="$1" -v b="$2" 'BEGIN { exit !(p >= a && p <= b) }'
}
key() {  # section, key: its value in Config2.ini
  awk -v s="[$1]" -v k="$2" -F= '{ sub(/\r$/, "") } /^\[/ { in_s = ($0 == s) } in_s && $1 == k { print substr($0, length(k) + 2); exit }' "$config2"
}
start() {
  "$work/program/rwn8" >>"$work/program.log" 2>&1 &
  player=$!
  harness_track "$player"
  until_is "$1" pc status || fail "start: status '$(pc status)', not $1"
}
end_by() {  # how: term or quit
  if [ "$1" = term ]; then
    kill -TERM "$player"
  else
    timeout 10 dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
      org.mpris.MediaPlayer2.Quit
  fi
  harness_until 10 harness_gone "$player" || fail "$1 did not end the program"
  wait "$player"
}

printf '[Form info]\r\nLeft=300\r\n[Settings]\r\nKeepList=1\r\n' >"$config2"
start Stopped
# A third row handed over (played at once), then paused at 3 s; SIGTERM ends it.
"$work/program/rwn8" "$first_demo" || fail "handing a file over"
until_is /org/rwn8/track/2 row || fail "the handed row did not play: $(row)"
pc position 3
pc pause
until_is Paused pc status || fail "pause: $(pc status)"
harness_until 5 near 2.9 3.2 || fail "not paused at 3 s: $(pc position)"
# Saved a few seconds after the change, while it runs: a crash would lose nothing.
harness_until 6 is 2 key KeptTrack State || fail "not saved after the change: $(cat "$config2")"
[ "$(key KeptList Count)" = 3 ] || fail "saved after the change: count '$(key KeptList Count)'"
end_by term
[ "$(key KeptList Count)" = 3 ] || fail "kept count '$(key KeptList Count)'"
[ "$(key KeptList file3)" = "$first_demo" ] || fail "kept row 3 '$(key KeptList file3)'"
[ "$(key KeptTrack Index)" = 2 ] && [ "$(key KeptTrack State)" = 2 ] || fail "kept track: $(cat "$config2")"
[ "$(key 'Form info' Left)" = 300 ] || fail "the player's keys were lost"

# Back paused at the place on the third row; Play goes on from there.
start Paused
[ "$(row)" = /org/rwn8/track/2 ] || fail "kept row: $(row)"
near 2.9 3.2 || fail "not back at 3 s: $(pc position)"
pc play
until_is Playing pc status || fail "play after the kept pause: $(pc status)"
harness_until 5 near 3.3 30 || fail "play did not go on from the kept place: $(pc position)"
pc previous
until_is /org/rwn8/track/1 row || fail "previous: $(row)"
pc position 2
harness_until 5 near 2 30 || fail "seek to 2 s: $(pc position)"
end_by quit
[ "$(key KeptTrack Index)" = 1 ] && [ "$(key KeptTrack State)" = 1 ] || fail "kept after Quit: $(cat "$config2")"

# Back playing on the second row, from about where it was.
start Playing
[ "$(row)" = /org/rwn8/track/1 ] || fail "kept playing row: $(row)"
near 2 8 || fail "not playing from the kept place: $(pc position)"

# "KeepList" off: neither way out writes Config2.ini, and the kept list is not used.
end_by term
sed -i 's/KeepList=1/KeepList=0/' "$config2"
cp "$config2" "$work/before.ini"
start Stopped
[ "$(row)" = /org/rwn8/track/0 ] || fail "with KeepList off the start is Config.ini's first row: $(row)"
pc play
until_is Playing pc status || fail "play: $(pc status)"
end_by term
cmp -s "$config2" "$work/before.ini" || fail "SIGTERM wrote Config2.ini with KeepList off"
start Stopped
end_by quit
cmp -s "$config2" "$work/before.ini" || fail "Quit wrote Config2.ini with KeepList off"
echo "ok: the kept list, row and place after SIGTERM (paused) and Quit (playing); nothing written with KeepList off"
