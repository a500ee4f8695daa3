#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player. On a first run (no
# build/bin/Config.ini) it first makes two short demo tracks and a start-up
# playlist of them, so there is music to play at once.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ ! -e build/bin/Config.ini ]; then
  build/tools/make_demo "$PWD/build/bin"
fi
exec build/bin/rwn8
