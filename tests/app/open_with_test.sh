#!/usr/bin/env bash
# "Open with R.W.N.8." as a launcher does it: the menu entry's Exec line with %F
# expanded to two MP3 files, an M3U and a text file, run against the real program
# under a virtual display on a private session bus (playerctl reads what plays).
# With a copy running, the second process ends at once with status 0, shows no
# window, and the running copy appends the files and plays the first MP3; with none
# running, the command starts the player, which does the same after its start-up
# list. A second start that finds no socket to hand over to says so and fails.
# Usage: open_with_test.sh <folder of the built program> <make_demo> <menu entry>.
# Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/harness.sh"
bin="$1"
make_demo="$2"
entry="$3"
harness_need Xvfb xwininfo xdotool dbus-daemon playerctl dbus-send
harness_begin
harness_program "$bin"
harness_demo "$make_demo"
first_demo=$(ls "$work/program/demo/"*.mp3 | head -n1)
second_demo=$(ls "$work/program/demo/"*.mp3 | tail -n1)

# What the file manager hands over: names with spaces and Cyrillic, an M3U whose
# rows are relative to its own folder, and a file that is no track.
music="$work/Моя музыка"
mkdir -p "$music/с пробелом"
cp "$first_demo" "$music/Первая песня.mp3"
cp "$second_demo" "$music/вторая.MP3"
cp "$first_demo" "$music/с пробелом/третья.mp3"
printf '#EXTM3U\r\n#EXTINF:30,x\r\nс пробелом/третья.mp3\r\n' >"$music/сборник.m3u"
echo "not a track" >"$music/заметки.txt"
files=("$music/Первая песня.mp3" "$music/сборник.m3u" "$music/вторая.MP3" "$music/заметки.txt")

harness_bus
harness_display
# The launcher finds `rwn8` on the path.
export PATH="$work/program:$PATH"

# The menu entry's command with %F expanded to the given files, one argument each.
launch() {
  local exec_line word cmd=()
  exec_line=$(sed -n 's/^Exec=//p' "$entry")
  for word in $exec_line; do
    if [ "$word" = "%F" ]; then cmd+=("$@"); else cmd+=("$word"); fi
  done
  (cd "$work" && exec "${cmd[@]}")
}

pc() { timeout 5 playerctl -p rwn8 "$@" 2>/dev/null; }
row() { pc metadata mpris:trackid | tr -d "'"; }  # the playing row, as /org/rwn8/track/N
is() {  # expected, command…
  local want="$1"; shift
  [ "$("$@")" = "$want" ]
}
until_is() { harness_until 10 is "$@"; }
url() { local u; u=$(pc metadata xesam:url); printf '%b' "${u//%/\\x}"; }  # the address, its escapes decoded
ends() { [[ "$(url)" == *"$1" ]]; }
until_ends() { harness_until 10 ends "$1"; }  # path suffix: the playing track's address ends so
quit() {
  timeout 10 dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit
  harness_until 10 harness_gone "$player" || fail "Quit did not end the program"
}
# The list after the request: the start-up list, then Первая, третья (from the M3U),
# вторая; the text file skipped. Walked with next and previous from the first file.
check_list() {
  until_is Playing pc status || fail "$1: nothing plays ($(pc status))"
  until_ends "/Моя музыка/Первая песня.mp3" || fail "$1: the first MP3 does not play: $(url)"
  pc next; until_ends "третья.mp3" || fail "$1: after it not the M3U's row: $(url)"
  until_is Playing pc status || fail "$1: the M3U's relative row was not found from its folder"
  pc next; until_ends "вторая.MP3" || fail "$1: then not the second MP3: $(url)"
  [ "$(row)" = "/org/rwn8/track/4" ] || fail "$1: the second MP3 is not the fifth row: $(row)"
  timeout 10 dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
    org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:CanGoNext \
    | grep -q "boolean false" || fail "$1: rows after the second MP3 (the text file was not skipped)"
  pc previous; pc previous; pc previous
  until_ends "домой.mp3" || fail "$1: the start-up list is not before the files"
}

# ---- a copy runs: the files are handed to it
"$work/program/rwn8" >"$work/program.log" 2>&1 &
player=$!
harness_track "$player"
until_is Stopped pc status || fail "no media player rwn8 on the bus"
sleep 0.3
before=$(harness_windows)
started=$(date +%s%N)
launch "${files[@]}" >"$work/second.log" 2>&1 &
second=$!
harness_track "$second"
new=""
while harness_alive "$second"; do
  new=$(comm -13 <(echo "$before") <(harness_windows) | head -n1)
  [ -n "$new" ] && break
  [ $(( ($(date +%s%N) - started) / 1000000 )) -gt 10000 ] && break
  sleep 0.05
done
[ -n "$new" ] && fail "a window appeared during the hand-over: $new"
harness_alive "$second" && fail "the second process did not end within 10 s"
wait "$second"; rc=$?
[ "$rc" = 0 ] || fail "the second process ended with $rc: $(cat "$work/second.log")"
ms=$(( ($(date +%s%N) - started) / 1000000 ))
check_list "with a copy running"
echo "hand-over to the running copy: the second process ended after $ms ms"

# A second start with files that finds no one to take them: the message, then failure.
rm -f "$work/runtime/R.W.N.8..socket"
"$work/program/rwn8" "$music/вторая.MP3" >"$work/second.log" 2>&1 &
second=$!
harness_track "$second"
boxid=$(harness_window_of "$second" 10) || fail "no message after a hand-over that could not happen"
answer_box "$boxid"
harness_until 20 harness_gone "$second" || fail "the failed hand-over did not end after its message"
wait "$second"; rc=$?
[ "$rc" != 0 ] || fail "a failed hand-over ended with status 0"
quit

# ---- no copy runs: the command starts the player, which takes its own files
launch "${files[@]}" >"$work/program.log" 2>&1 &
player=$!
harness_track "$player"
check_list "with no copy running"
# And takes more while it runs.
harness_within 20 launch "$music/сборник.m3u" >"$work/second.log" 2>&1 || fail "a later hand-over failed"
until_ends "третья.mp3" || fail "the later request's row does not play"
[ "$(row)" = "/org/rwn8/track/5" ] || fail "the later row is not appended"
quit
echo "ok: files handed over by the menu entry's command, with and without a copy running"
