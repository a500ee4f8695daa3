#!/usr/bin/env bash
# scripts/sanitize.sh: builds the program and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs the whole suite there.
# scripts/sanitize.sh thread: builds the engine's tests alone with ThreadSanitizer into
# build-tsan/ and runs them there. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-address}"
./scripts/deps.sh --tests

if [ "$mode" = thread ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DRWN8_TSAN=ON -DRWN8_BENCHMARKS=OFF >/dev/null
  # Every program of the engine's tests, as the test listing names them.
  # A name may end its line (its sources on the lines below).
  targets=$(sed -n -E 's/^(add_executable|rwn8_test)\((engine_[a-z0-9_]*)([ )].*)?$/\2/p' tests/CMakeLists.txt)
  [ -n "$targets" ] && echo "$targets" | grep -qx engine_tests || { echo "engine_tests not found in tests/CMakeLists.txt" >&2; exit 1; }
  # shellcheck disable=SC2086
  cmake --build build-tsan -j2 --target $targets
  # The end-to-end tests start a sound server from a process with threads running.
  # A report makes the program exit with 66 when it ends, which fails its test.
  export TSAN_OPTIONS="die_after_fork=0:exitcode=66:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
  # The engine's programs only: the tests of engine_tests (and of any engine test
  # discovered by gtest) carry their program's name as their label; the end-to-end
  # ones are named for the engine.
  ctest --test-dir build-tsan --output-on-failure -j2 --timeout 600 -L '^engine_'
  ctest --test-dir build-tsan --output-on-failure -j2 --timeout 600 -R '^engine_' -LE '.'
  exit 0
fi
[ "$mode" = address ] || { echo "usage: $0 [thread]" >&2; exit 2; }

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DRWN8_SANITIZE=ON -DRWN8_BENCHMARKS=OFF >/dev/null
# Build-time helpers (the skin renderer, the test listing) are instrumented too; their
# leaks at exit are not the program's and must not stop the build.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-sanitize -j2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 300
