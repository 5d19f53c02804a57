#!/usr/bin/env bash
# The player of recorded books through a private PulseAudio server with a null
# sink (as bench_audio.sh runs the engine), as root or not:
#   bench/bench_player.sh [build=build] [rounds=20] [cpu seconds=60] [soak seconds=300]
# Prints play to first sound, stop to silence and the silence between phrases
# (inside a recording of the sink's monitor), then the player's CPU at tempo 1
# and 2 (MP3 when lame is installed, and WAV), its idle CPU and its memory over
# the soak. Needs pulseaudio (scripts/install-deps.sh) and optionally lame. No
# sound card, ALSA card file, audio group or home folder is used: the server, its
# socket and its home live in a temporary folder removed at the end.
set -euo pipefail
build=${1:-build}
rounds=${2:-20}
seconds=${3:-60}
soak=${4:-300}
command -v pulseaudio >/dev/null || { echo "bench_player.sh: needs pulseaudio" >&2; exit 1; }
work=$(mktemp -d /tmp/zelvora-player.XXXXXX)
mkdir -m 700 "$work/run" "$work/home"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
cleanup() {
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes --disable-shm=yes \
  --realtime=yes --high-priority=yes --log-target=file:"$work/pulse.log" \
  -L "module-null-sink sink_name=null rate=22050 channels=2" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1"
export PULSE_SERVER=unix:$work/native
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bin/bench_player" latency "$rounds"
"$build/bin/bench_player" cpu "$seconds" "$soak"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
