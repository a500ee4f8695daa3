#!/usr/bin/env bash
# Runs the engine's stress test for longer than the suite's minute:
#   scripts/stress.sh SECONDS [SEED]
# Without a seed one is chosen from the clock; a failure prints it, to replay the run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: $0 SECONDS [SEED]" >&2
  exit 2
fi
seconds=$1
seed=${2:-$(date +%s)}
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRWN8_WERROR=ON >/dev/null
cmake --build build -j2 --target engine_stress_test
exec env QT_QPA_PLATFORM=offscreen ./build/bin/engine_stress_test "$seconds" "$seed"
