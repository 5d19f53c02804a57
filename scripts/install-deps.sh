#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Zelvora need.
# Idempotent: when every package is already installed it installs nothing and
# does not touch the network.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libespeak-ng-dev espeak-ng-data libpcaudio-dev
  festival-dev festvox-ca-ona-hts
  libpulse-dev
  xvfb xauth xdotool openbox imagemagick sox xclip libx11-dev
  clang libclang-rt-14-dev
  libzip-dev libxml2-dev libpoppler-cpp-dev libpoppler-qt6-dev libuchardet-dev
  libsonic-dev libmpg123-dev
  libopusenc-dev libmp3lame-dev opus-tools vorbis-tools lame mpg123
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng pulseaudio-utils
)
# The engine tests start a private PulseAudio server with a null sink. On a desktop
# whose sound server is PipeWire, an installed pulseaudio would start for the user
# too and compete with pipewire-pulse for the PulseAudio socket: there it is left out, and the tests that need the private server skip.
if ! dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q 'install ok installed'; then
  packages+=(pulseaudio)
fi
# `install-deps.sh bench`: also PipeWire and its PulseAudio service, which the
# audio bench runs privately (bench/bench_audio.sh --server pipewire); nothing
# else needs them. Decided after pulseaudio above, so a fresh machine gets both.
# bench/bench_export.sh needs espeak-ng's own command, GNU time and bc.
if [ "${1:-}" = bench ]; then
  packages+=(pipewire pipewire-pulse wireplumber dbus espeak-ng time bc)
fi
# `install-deps.sh packaging`: also the tools that build and check the Debian package.
if [ "${1:-}" = packaging ]; then
  packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
