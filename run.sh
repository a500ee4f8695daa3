#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player. On a first run (no
# build/bin/Config.ini) it first makes two short demo tracks and a start-up
# playlist of them, so there is music to play at once; and, where no Config2.ini is
# there yet, sets the volume slider high enough to hear it (the player's own default
# is the slider's left end, silence).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ ! -e build/bin/Config.ini ]; then
  build/tools/make_demo "$PWD/build/bin"
  [ -e build/bin/Config2.ini ] || printf '[Image info]\r\nLeftaa=100\r\n' > build/bin/Config2.ini
fi
exec build/bin/rwn8
