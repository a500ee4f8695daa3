#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-sanitize/ and runs the whole suite there. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --tests
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DRWN8_SANITIZE=ON -DRWN8_BENCHMARKS=OFF >/dev/null
# Build-time helpers (the skin renderer, the test listing) are instrumented too; their
# leaks at exit are not the program's and must not stop the build.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-sanitize -j2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 300
