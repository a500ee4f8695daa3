#!/usr/bin/env bash
# The real program under a virtual display: the splash, then the player at its
# default place without the libraries it does not use yet, a second start refused,
# and the close button writing Config2.ini.
# Usage: process_test.sh <folder of the built program>. Exit 77: skipped.
set -uo pipefail
source "$(dirname "$0")/../support/harness.sh"
bin="$1"
harness_need Xvfb xwininfo xdotool
harness_begin
harness_program "$bin"
harness_display

"$work/program/rwn8" >"$work/first.log" 2>&1 &
player=$!
harness_track "$player"
harness_wait_window "265x133+548+430" 10 || fail "no splash at 548, 430"
harness_has_window "400x240+285+168" && fail "the player showed during the splash"
harness_wait_window "400x240+285+168" 15 || fail "no player window at 285, 168 after the splash"
harness_has_window "265x133+548+430" && fail "the splash stayed after the player showed"
# What the session does not use stays out of its memory: the network until an update
# check, and the image format plugins the skin's own pictures do not need.
grep -q libQt6Network "/proc/$player/maps" && fail "Qt Network loaded before any update check"
grep -q imageformats "/proc/$player/maps" && fail "image format plugins loaded"

# A second copy says so in a message box and ends; the first one runs on.
"$work/program/rwn8" >"$work/second.log" 2>&1 &
second=$!
harness_track "$second"
boxid=$(harness_window_of "$second" 10) || fail "the second start showed no message"
harness_alive "$second" || fail "the second start ended before its message was answered"
# The process then ends (a sanitized build checks its memory first, which takes a while).
answer_box "$boxid"
harness_until 20 harness_gone "$second" || fail "the second start did not end after its message"
harness_alive "$player" || fail "the running copy ended with the second start"
[ -e "$work/program/Config2.ini" ] && fail "Config2.ini written before the close button"

# The close button (376, 8; 17 × 15) saves the place and the volume and ends.
harness_click $((285 + 384)) $((168 + 15))
harness_until 10 harness_gone "$player" || fail "the close button did not end the program"
ini="$work/program/Config2.ini"
[ -f "$ini" ] || fail "the close button wrote no Config2.ini"
grep -q "Left=285" "$ini" && grep -q "Top=168" "$ini" && grep -q "Leftaa=16" "$ini" \
  || fail "Config2.ini holds $(tr '\r\n' '  ' < "$ini")"
echo "ok: splash, player at 285, 168, second start refused, settings saved by the close button"
