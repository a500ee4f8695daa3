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
source "$(dirname "$0")/../support/answer_box.sh"
bin="$1"
make_demo="$2"
entry="$3"
for tool in Xvfb xwininfo xdotool dbus-run-session playerctl dbus-send; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
if [ -z "${RWN8_ON_PRIVATE_BUS:-}" ]; then
  RWN8_ON_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
  [ -n "${second:-}" ] && kill "$second" 2>/dev/null
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

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: the virtual display did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY PULSE_SERVER
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
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

pc() { playerctl -p rwn8 "$@" 2>/dev/null; }
row() { pc metadata mpris:trackid | tr -d "'"; }  # the playing row, as /org/rwn8/track/N
until_is() {  # expected, command…
  local want="$1"; shift
  for _ in $(seq 80); do [ "$("$@")" = "$want" ] && return 0; sleep 0.1; done
  return 1
}
url() { local u; u=$(pc metadata xesam:url); printf '%b' "${u//%/\\x}"; }  # the address, its escapes decoded
until_ends() {  # path suffix: the playing track's address ends so
  for _ in $(seq 80); do [[ "$(url)" == *"$1" ]] && return 0; sleep 0.1; done
  return 1
}
windows() { xwininfo -root -tree 2>/dev/null | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ ' | sort -u; }
quit() {
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit
  for _ in $(seq 50); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$player" 2>/dev/null && fail "Quit did not end the program"
  player=""
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
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.rwn8 /org/mpris/MediaPlayer2 \
    org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:CanGoNext \
    | grep -q "boolean false" || fail "$1: rows after the second MP3 (the text file was not skipped)"
  pc previous; pc previous; pc previous
  until_ends "домой.mp3" || fail "$1: the start-up list is not before the files"
}

# ---- a copy runs: the files are handed to it
"$work/program/rwn8" >"$work/log" 2>&1 &
player=$!
until_is Stopped pc status || fail "no media player rwn8 on the bus"
sleep 0.3
before=$(windows)
started=$(date +%s%N)
launch "${files[@]}" >"$work/second.log" 2>&1 &
second=$!
new=""
while kill -0 "$second" 2>/dev/null; do
  new=$(comm -13 <(echo "$before") <(windows) | head -n1)
  [ -n "$new" ] && break
  [ $(( ($(date +%s%N) - started) / 1000000 )) -gt 10000 ] && break
  sleep 0.05
done
[ -n "$new" ] && fail "a window appeared during the hand-over: $new"
kill -0 "$second" 2>/dev/null && fail "the second process did not end within 10 s"
wait "$second"; rc=$?
second=""
[ "$rc" = 0 ] || fail "the second process ended with $rc: $(cat "$work/second.log")"
ms=$(( ($(date +%s%N) - started) / 1000000 ))
check_list "with a copy running"
echo "hand-over to the running copy: the second process ended after $ms ms"

# A second start with files that finds no one to take them: the message, then failure.
rm -f "$work/runtime/R.W.N.8..socket"
before=$(windows)
"$work/program/rwn8" "$music/вторая.MP3" >"$work/second.log" 2>&1 &
second=$!
box=""
for _ in $(seq 100); do
  box=$(comm -13 <(echo "$before") <(windows) | head -n1)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no message after a hand-over that could not happen"
boxid=$(xwininfo -root -tree | grep -F "$box" | grep -oE '0x[0-9a-f]+' | head -n1)
answer_box "$boxid"
for _ in $(seq 200); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the failed hand-over did not end after its message"
wait "$second"; rc=$?
second=""
[ "$rc" != 0 ] || fail "a failed hand-over ended with status 0"
quit

# ---- no copy runs: the command starts the player, which takes its own files
launch "${files[@]}" >"$work/log" 2>&1 &
player=$!
check_list "with no copy running"
# And takes more while it runs.
launch "$music/сборник.m3u" >"$work/second.log" 2>&1 || fail "a later hand-over failed"
until_ends "третья.mp3" || fail "the later request's row does not play"
[ "$(row)" = "/org/rwn8/track/5" ] || fail "the later row is not appended"
quit
echo "ok: files handed over by the menu entry's command, with and without a copy running"
