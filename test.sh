#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRWN8_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
