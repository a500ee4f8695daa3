#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz/ and runs each for SECONDS
# (default 60), starting from the seed corpora and keeping what each run grows in
# build-fuzz/corpus/TARGET. Findings land in build-fuzz/findings/TARGET.
#   scripts/fuzz.sh [SECONDS] [TARGET…]   (targets: engine m3u ini charset open_request)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(engine m3u ini charset open_request)
./scripts/deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRWN8_FUZZ=ON >/dev/null
ASAN_OPTIONS=detect_leaks=0 cmake --build build-fuzz -j2 --target make_fuzz_seeds \
  $(printf 'fuzz_%s ' "${targets[@]}")
build-fuzz/bin/make_fuzz_seeds build-fuzz/seeds
export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  echo "== fuzz_$t for ${seconds}s"
  # -timeout: an input that takes over a second is a hang (FUZZ_TIMEOUT gives a busy
  # machine more; replay what it finds to see whether it is slow by itself).
  build-fuzz/bin/fuzz_$t "build-fuzz/corpus/$t" "build-fuzz/seeds/$t" -max_total_time="$seconds" \
    -timeout="${FUZZ_TIMEOUT:-1}" \
    -rss_limit_mb=2048 -artifact_prefix="build-fuzz/findings/$t/" -print_final_stats=1 2>&1 \
    | grep -E '^(#[0-9]+.*(DONE|pulse|INITED)|stat::|==[0-9]+==ERROR|SUMMARY|artifact)' || true
done
