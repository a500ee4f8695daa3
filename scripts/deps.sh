#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need,
# only those that are missing. Quiet when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6
  libpulse-dev libsoxr-dev libmpg123-dev libkissfft-dev libtag1-dev librcd-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmp3lame-dev ffmpeg pulseaudio pulseaudio-utils
  fonts-play fonts-dseg fonts-dejavu-core
  xvfb xauth x11-utils xdotool
  dbus-daemon dbus-bin playerctl
  desktop-file-utils appstream dpkg-dev file
)
for option in "$@"; do
  case "$option" in
    # The fuzzing compiler, only for scripts/fuzz.sh.
    --fuzz) packages+=(clang libclang-rt-dev) ;;
    # PipeWire's Pulse server, which the recording tests start privately beside
    # PulseAudio; only for the tests, never for ./run.sh: on a desktop that runs
    # PulseAudio, installing it may take over the user's sound.
    --tests) packages+=(pipewire pipewire-pulse wireplumber) ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
