# Answers a message box of the program under test with its default key.
# On a loaded machine the focus may not have reached the box when the key goes: the
# key is pressed again, up to three times, while the box still stands.
# Usage (sourced): answer_box <window id>
answer_box() {
  local boxid="$1"
  for _ in 1 2 3; do
    timeout 5 xdotool windowfocus --sync "$boxid" key Return 2>/dev/null || xdotool key Return
    for _ in $(seq 30); do xwininfo -id "$boxid" >/dev/null 2>&1 || break; sleep 0.1; done
    xwininfo -id "$boxid" >/dev/null 2>&1 || return 0
  done
}
