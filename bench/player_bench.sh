#!/usr/bin/env bash
# The player as a user runs it: the cost of one tick (build/bin/player_bench), then
# the whole program under a virtual display with a tray, playing the demo tracks
# through a private PulseAudio null sink: time from the start to the splash on
# screen, from the splash's end to the player on screen, and for four states
# (stopped with the caption running; playing with the player and the playlist
# visible; standing at the end of the last row; playing hidden in the tray) the process's CPU, the sound server's CPU,
# each thread's CPU and wake-ups (context switches) a second, and resident memory,
# each beside its target; last, a start with a start-up list of 100 000 rows: the
# time to the player on screen and the memory the rows add.
# PEER=1 also installs and measures a widely used skinned player the same way while
# it plays the same file, for the relative targets; without it those targets are
# taken from the figures measured on the reference machine.
# Run after ./test.sh: bench/player_bench.sh [seconds per state]; RWN8=path measures another
# build (its fonts and picture beside it), MAKE_DEMO=path makes the demo tracks.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/support/harness.sh
seconds="${1:-20}"
[ -n "${NOTICK:-}" ] || build/bin/player_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

harness_need Xvfb xwininfo xdotool bc
harness_begin
harness_program "${RWN8:-build/bin/rwn8}"
# The update check's network module lies beside the program as installed; it is loaded
# only when a check is asked for, which the benchmark never does.
module="$(dirname "${RWN8:-build/bin/rwn8}")/rwn8_http.so"
[ -f "$module" ] && cp "$module" "$work/program/"
harness_demo "${MAKE_DEMO:-build/tools/make_demo}"

export HOME="$work/runtime"
sound="silent clock"
server=""
if harness_sound bench; then
  sound="PulseAudio null sink"
  server=$sound_server
fi
harness_display
tray="none (the tray state is not measured)"
if command -v trayer >/dev/null; then
  trayer --edge bottom --align right --widthtype pixel --width 64 --height 24 >/dev/null 2>&1 &
  harness_track $!
  tray="trayer"
  sleep 1
fi

# One line per thread: id, name, nanoseconds on a CPU, context switches so far (all,
# and of those the voluntary ones: the thread's own wake-ups, without the preemptions
# that a loaded machine adds). The scheduler's own count of run time: the CPU ticks of
# /proc/PID/stat are samples at 100 a second, too coarse for figures of 0.3 %.
threads() {
  for t in /proc/"$1"/task/*; do
    local name cs
    name=$(tr ' ' _ <"$t/comm")
    cs=$(awk '/^voluntary_ctxt_switches/ {v = $2} /ctxt_switches/ {n += $2} END {print n, v}' "$t/status")
    echo "$(basename "$t") $name $(cut -d' ' -f1 "$t/schedstat") $cs"
  done | sort
}
# Prints `figure` beside `target`, with "ok" or "OVER" from `figure <= limit`.
row() {
  local what=$1 figure=$2 unit=$3 limit=$4 target=$5 mark=ok
  [ "$(echo "$figure <= $limit" | bc)" = 1 ] || mark=OVER
  printf "  %-38s %8s %-4s  target %-28s %s\n" "$what" "$figure" "$unit" "$target" "$mark"
}

# Measures process $1 for $seconds: CPU, the sound server's CPU, per-thread wake-ups.
# Sets cpu, pulse_cpu and the per-thread figures file "$work/rates". A thread that
# started meanwhile counts from its start.
measure() {
  local pid=$1
  threads "$pid" >"$work/t0"
  [ -n "$server" ] && threads "$server" >"$work/s0"
  sleep "$seconds"
  threads "$pid" >"$work/t1"
  [ -n "$server" ] && threads "$server" >"$work/s1"
  per_thread() {
    awk -v s="$seconds" 'NR == FNR { run[$1] = $3; cs[$1] = $4; vol[$1] = $5; next }
      { printf "%s %.3f %.1f %.1f\n", $2, ($3 - run[$1]) / 1e7 / s, ($4 - cs[$1]) / s, ($5 - vol[$1]) / s }' "$1" "$2"
  }
  per_thread "$work/t0" "$work/t1" >"$work/rates"
  cpu=$(awk '{ n += $2 } END { printf "%.2f", n }' "$work/rates")
  pulse_cpu=0
  [ -n "$server" ] && pulse_cpu=$(per_thread "$work/s0" "$work/s1" | awk '{ n += $2 } END { printf "%.2f", n }')
}
# Sum of the wake-ups a second of the threads whose names match $1.
wakes() { awk -v re="$1" '$1 ~ re { n += $3 } END { printf "%.1f", n + 0 }' "$work/rates"; }
resident_mb() { awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
print_threads() {
  awk '$2 > 0 || $3 > 0.5 { printf "    thread %-18s %5.2f %% CPU  %6.1f wake-ups/s (%.1f voluntary)\n", $1, $2, $3, $4 }' "$work/rates"
}

# The peer: installed for this benchmark only, playing the first demo track with its
# skinned interface, measured like us.
peer_cpu="" peer_pulse="" peer_rss=""
if [ -n "${PEER:-}" ]; then
  command -v audacious >/dev/null || apt-get install -y audacious audacious-plugins >/dev/null 2>&1 || true
  if command -v audacious >/dev/null; then
    # A first start writes the plugin registry; the skinned interface is then chosen in
    # it in place of the default one.
    timeout 8 audacious --qt >/dev/null 2>&1 || true
    registry="$HOME/.config/audacious/plugin-registry"
    [ -f "$registry" ] && awk '/^[a-z]+ \// { plugin = $2 }
      /^enabled / && plugin ~ /\/qtui\.so$/ { $0 = "enabled 0" }
      /^enabled / && plugin ~ /\/skins-qt\.so$/ { $0 = "enabled 1" } { print }' "$registry" >"$registry.new" &&
      mv "$registry.new" "$registry"
    audacious --qt "$work/program/demo/01 Рассвет.mp3" >/dev/null 2>&1 &
    peer=$!
    harness_track "$peer"
    sleep 4
    if kill -0 "$peer" 2>/dev/null && timeout 5 pactl list short sink-inputs 2>/dev/null | grep -q .; then
      measure "$peer"
      peer_cpu=$cpu peer_pulse=$pulse_cpu peer_rss=$(resident_mb "$peer")
      echo "peer (skinned, PulseAudio output) while playing: CPU $peer_cpu %, sound server $peer_pulse %, resident $peer_rss MB"
      print_threads
    else
      echo "peer: not playing under the virtual display; relative targets use the reference figures"
    fi
    harness_stop "$peer"
    sleep 1
  else
    echo "peer: could not be installed; relative targets use the reference figures"
  fi
fi
# Reference figures of the peer (same file, Xvfb, null sink) where it was not measured here.
peer_cpu=${peer_cpu:-1.27} peer_pulse=${peer_pulse:-0.30}

now() { date +%s%N; }
# Starts the program and waits until its player shows (at most $1 s); sets player,
# started and the times log.
start_player() {
  started=$(now)
  RWN8_TIMES=1 "$work/program/rwn8" 2>"$work/times.log" &
  player=$!
  harness_track "$player"
  harness_until "$1" grep -qs player-shown "$work/times.log" || true
}
start_player 5
sleep 0.3
at() { grep "$1" "$work/times.log" | awk '{print $3}'; }
ms() { echo "scale=1; ($1 - $2) / 1000000" | bc; }
echo "start to splash shown:          $(ms "$(at splash-shown)" "$started") ms"
echo "splash ended to player shown:   $(ms "$(at player-shown)" "$(at splash-ended)") ms"
echo "sound: $sound; tray: $tray; load average: $(cut -d' ' -f1-3 /proc/loadavg); $seconds s per state"

click() { harness_click $((285 + $1)) $((168 + $2)); harness_x xdotool mousemove 1000 700; }
click 28 224  # the playlist button: the playlist glued under the player
sleep 2

measure "$player"
echo "stopped, caption running:"
row "process CPU" "$cpu" "%" 0.5 "<= 0.5 %"
stopped_wakes=$(wakes '^rwn8$') stopped_cpu=$cpu
row "interface thread wake-ups" "$stopped_wakes" "/s" 85 "<= 85 /s (caption 40, ticks)"
print_threads

click 80 8    # repeat, so that one track plays on for every state
click 268 200  # play
sleep 2
measure "$player"
echo "playing, player and playlist visible:"
row "process CPU" "$cpu" "%" "$(echo "$peer_cpu * 0.8" | bc)" "<= 0.8 x peer ($peer_cpu %)"
row "sound server CPU" "$pulse_cpu" "%" "$peer_pulse" "<= peer ($peer_pulse %)"
row "audio thread + sound client wake-ups" "$(wakes '^(rwn8_audio|threaded-ml)$')" "/s" 25 "<= 25 /s"
row "interface thread wake-ups" "$(wakes '^rwn8$')" "/s" 85 "<= 85 /s (40 + 33 + 10)"
row "X event thread wake-ups" "$(wakes '^QXcbEventQueue$')" "/s" 25 "<= 25 /s"
row "resident memory" "$(resident_mb "$player")" "MB" 40 "<= 40 MB"
print_threads

click 80 8      # repeat off
click 372 200   # next: the last of the two demo rows
sleep 1
click 390 176   # a seek near its end
sleep 5
measure "$player"
echo "at the end of the last row (the ticks rest as when stopped):"
row "process CPU" "$cpu" "%" "$(echo "$stopped_cpu * 1.1" | bc)" "<= stopped ($stopped_cpu %) + 10 %"
row "interface thread wake-ups" "$(wakes '^rwn8$')" "/s" "$stopped_wakes" "<= stopped ($stopped_wakes /s)"
print_threads
click 80 8      # repeat on again
click 316 200   # stop
click 268 200   # play: the last row from its start, repeated
sleep 2

click 384 39  # into the tray
sleep 2
if [ "$tray" = trayer ]; then
  measure "$player"
  echo "playing, hidden in the tray:"
  row "process CPU" "$cpu" "%" 0.3 "<= 0.3 %"
  row "interface thread wake-ups" "$(wakes '^rwn8$')" "/s" 3 "<= 3 /s (each new second, track end)"
  print_threads
fi
grep -E "^(Pss|Anonymous):" "/proc/$player/smaps_rollup" | sed 's/^/  resident memory, of which     /'
[ -n "${MAPS_OUT:-}" ] && cp "/proc/$player/smaps" "$MAPS_OUT"
if [ -n "${PERF_OUT:-}" ]; then perf record -g -o "$PERF_OUT" -p "$player" -- sleep "$seconds" 2>/dev/null; fi

# A start-up list of 100 000 rows in Config.ini (the demo files named again and
# again): how soon the player shows after the splash, and the memory the rows add to
# a start with an empty list.
harness_stop "$player"
start_with_rows() {  # rows: starts the program with that many rows, sets player and the times
  {
    printf '[ItemsCount]\r\nCount=%s\r\n[PlayList]\r\n' "$1"
    ls "$work/program/demo/"*.mp3 | awk -v n="$1" '{ f[NR] = $0 } END { for (i = 1; i <= n; ++i) printf "file%d=%s\r\n", i, f[(i - 1) % NR + 1] }'
  } >"$work/program/Config.ini"
  start_player 30
  sleep 2
}
start_with_rows 0
empty_rss=$(resident_mb "$player")
harness_stop "$player"
start_with_rows 100000
echo "a start-up list of 100 000 rows:"
row "start to splash shown" "$(ms "$(at splash-shown)" "$started")" "ms" 300 "<= 300 ms"
row "splash ended to player shown" "$(ms "$(at player-shown)" "$(at splash-ended)")" "ms" 300 "<= 300 ms"
row "resident memory beyond an empty list" "$(echo "$(resident_mb "$player") - $empty_rss" | bc)" "MB" 25 "<= 25 MB"
harness_stop "$player"

# The same 100 000 rows kept in Config2.ini from one start to the next ("KeepList"):
# the way out by SIGTERM that saves them, and how soon the player shows at the next
# start, which reads them there instead (Config.ini emptied, so only they can fill it).
printf '[Settings]\r\nKeepList=1\r\n' >"$work/program/Config2.ini"
start_with_rows 100000
ended=$(now)
kill -TERM "$player"
# Looked at every 5 ms: the harness's waits look every tenth of a second.
for _ in $(seq 2000); do harness_alive "$player" || break; sleep 0.005; done
ended=$(( ($(now) - ended) / 1000000 ))
grep -q '^Count=100000' "$work/program/Config2.ini" || echo "  (the kept list was not saved)"
: >"$work/program/Config.ini"
rm -f "$work/times.log"  # the last start's moments are no answer for this one
start_player 30
sleep 2
echo "a kept list of 100 000 rows:"
row "SIGTERM to the program's end (saved)" "$ended" "ms" 300 "<= 300 ms"
row "splash ended to player shown" "$(ms "$(at player-shown)" "$(at splash-ended)")" "ms" 300 "<= 300 ms"
row "resident memory beyond an empty list" "$(echo "$(resident_mb "$player") - $empty_rss" | bc)" "MB" 25 "<= 25 MB"
harness_stop "$player"
