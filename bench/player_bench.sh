#!/usr/bin/env bash
# The player as a user runs it: the cost of one tick (build/bin/player_bench), then
# the whole program under a virtual display, playing the demo tracks through a
# private PulseAudio null sink with the player and the playlist visible: time from
# the start to the splash on screen, from the splash's end to the player on
# screen, CPU over 30 s of playing, and resident memory.
# Run after ./test.sh: bench/player_bench.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build/bin/player_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/program" "$work/runtime"
chmod 700 "$work/runtime"
cp build/bin/rwn8 build/bin/*.ttf build/bin/Fon.bmp "$work/program/"
build/tools/make_demo "$work/program" >/dev/null

export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/runtime" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
sound="silent clock"
if command -v pulseaudio >/dev/null; then
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr --log-level=error \
    -L "module-null-sink sink_name=bench rate=44100 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native" 2>/dev/null &
  pids+=($!)
  export PULSE_SERVER="unix:$work/runtime/native"
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && { sound="PulseAudio null sink"; break; }; sleep 0.1; done
fi
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

now() { date +%s%N; }
started=$(now)
RWN8_TIMES=1 "$work/program/rwn8" 2>"$work/times.log" &
player=$!
pids+=($player)
for _ in $(seq 100); do grep -q player-shown "$work/times.log" && break; sleep 0.05; done
sleep 0.3
at() { grep "$1" "$work/times.log" | awk '{print $3}'; }
ms() { echo "scale=1; ($1 - $2) / 1000000" | bc; }
echo "start to splash shown:          $(ms "$(at splash-shown)" "$started") ms"
echo "splash ended to player shown:   $(ms "$(at player-shown)" "$(at splash-ended)") ms"

# Play (248, 192) and the playlist button (8, 216).
[ -n "${NOPLAY:-}" ] || xdotool mousemove $((285 + 268)) $((168 + 200)) click 1
xdotool mousemove $((285 + 28)) $((168 + 224)) click 1
xdotool mousemove 1000 700
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$player/stat"; }
threads() { for t in /proc/$player/task/*; do echo "$(cat "$t/comm" | tr ' ' _) $(awk '{print $14 + $15}' "$t/stat")"; done; }
threads >"$work/threads0"
t0=$(ticks)
if [ -n "${PERF_OUT:-}" ]; then perf record -g -o "$PERF_OUT" -p "$player" -- sleep "$seconds" 2>/dev/null; else sleep "$seconds"; fi
t1=$(ticks)
hz=$(getconf CLK_TCK)
threads >"$work/threads1"
join <(sort "$work/threads0") <(sort "$work/threads1") | awk -v hz="$hz" -v s="$seconds" \
  '$3 > $2 { printf "  thread %-24s %5.2f %%\n", $1, ($3 - $2) * 100 / hz / s }' 
echo "sound:                          $sound"
echo "CPU while playing ${seconds} s:       $(echo "scale=2; ($t1 - $t0) * 100 / $hz / $seconds" | bc) % of one core"
grep -E "VmRSS|VmHWM" "/proc/$player/status" | sed 's/^/resident memory:                /'
grep -E "^(Pss|Shared_Clean|Private_Clean|Private_Dirty|Anonymous):" "/proc/$player/smaps_rollup" | sed 's/^/  of which                      /'
[ -n "${MAPS_OUT:-}" ] && cp "/proc/$player/smaps" "$MAPS_OUT"
