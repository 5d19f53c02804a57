#!/usr/bin/env bash
# The engine's audio through a private PulseAudio server with a null sink, side by
# side with espeak-ng's own audio output (espeak_Cancel to stop), as root or not:
#   bench/bench_audio.sh [build=build] [rounds=30] [soak seconds=600]
# It needs the PulseAudio server, Debian package pulseaudio, which the build does
# not: on a desktop that runs PipeWire, installing it replaces pipewire-pulse, so
# install it only on a machine meant for measuring.
# The server, its socket and its logs live in a temporary folder removed at the end
# (BENCH_AUDIO_KEEP=1 keeps it). No shared memory: PulseAudio 16.1 aborts on a
# memfd block passed between its clients (its issue 824) on some runs.
set -euo pipefail
build=${1:-build}
rounds=${2:-30}
soak=${3:-600}

if ! command -v pulseaudio >/dev/null; then
  echo "bench_audio.sh: needs the PulseAudio server: apt-get install pulseaudio" \
    "(on a PipeWire desktop this replaces pipewire-pulse; use a test machine)" >&2
  exit 1
fi
work=$(mktemp -d /tmp/zelvora-audio.XXXXXX)
mkdir -m 700 "$work/run" "$work/home"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
cleanup() {
  pulseaudio --kill 2>/dev/null || true
  [ -n "${BENCH_AUDIO_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes --disable-shm=yes \
  --log-target=file:"$work/pulse.log" \
  -L "module-null-sink sink_name=null rate=22050 channels=2" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1"
export PULSE_SERVER=unix:$work/native
for _ in $(seq 50); do [ -S "$work/native" ] && break; sleep 0.1; done

"$build/bin/bench_audio" reference "$rounds" >"$work/reference.txt"
"$build/bin/bench_audio" engine "$build/lib/libupctv.so" "$rounds" "$soak" >"$work/engine.txt"

printf '%-52s | %-40s | %s\n' "" "espeak-ng's own output" "the engine"
awk -F'\t' 'NR == FNR { ref[$1] = $2; next }
  { printf "%-52s | %-40s | %s\n", $1, ($1 in ref ? ref[$1] : "-"), $2 }' \
  "$work/reference.txt" "$work/engine.txt"
