#!/usr/bin/env bash
# The engine's audio through a private sound server with a null sink, side by
# side with espeak-ng's own audio output (espeak_Cancel to stop), as root or not:
#   bench/bench_audio.sh [options] [build=build] [rounds=30] [soak seconds=600]
# (rounds 0: the soak alone)
# Options:
#   --server pulseaudio  PulseAudio's own server (the default; Debian package
#                        pulseaudio, which the build does not need: on a desktop
#                        that runs PipeWire, it would start too and compete
#                        with pipewire-pulse for the PulseAudio socket, so
#                        install it only on a machine meant for measuring)
#   --server pipewire    PipeWire with its PulseAudio service and WirePlumber
#                        (packages pipewire, pipewire-pulse, wireplumber and
#                        dbus: `scripts/install-deps.sh bench`), started by hand
#                        on a private D-Bus session, never through systemd
#   --engine-only        skip espeak-ng's own output (a quicker soak)
#   --alone              the soak alone, with the engine alone in its process, as
#                        in the reader: the monitor's recording and a stream of
#                        silence (100 ms each) are other processes (parecord,
#                        pacat), so only the underflows are counted, no gaps
#   --program            the soak alone, with the reader itself reading a book
#                        on a virtual display (bench/read_program.sh; packages
#                        xvfb, openbox and xdotool, which the tests use too)
#   --realtime-main      also the PulseAudio server's main thread realtime (it
#                        carries the clients' requests and data; a desktop's
#                        runs at nice -11 only), where the system allows it
#   --load N             N busy loops (nice 0) run through the whole measurement,
#                        as a loaded machine; the soak prints the load average
# Either server runs as a desktop's does: its audio threads realtime where the
# system allows it (as root, or through rtkit), else at raised priority.
# The servers, sockets and logs live in a temporary folder removed at the end
# (BENCH_AUDIO_KEEP=1 keeps it). No shared memory for PulseAudio: 16.1 aborts on
# a memfd block passed between its clients (its issue 824) on some runs.
set -euo pipefail
server=pulseaudio
reference=1
load=0
realtime_main=0
alone=0
program=0
while [ $# -gt 0 ]; do
  case $1 in
    --server) server=$2; shift 2 ;;
    --engine-only) reference=0; shift ;;
    --alone) alone=1; shift ;;
    --program) program=1; shift ;;
    --load) load=$2; shift 2 ;;
    --realtime-main) realtime_main=1; shift ;;
    *) break ;;
  esac
done
build=${1:-build}
rounds=${2:-30}
soak=${3:-600}

need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "bench_audio.sh: needs $tool (scripts/install-deps.sh bench)" >&2
      exit 1
    fi
  done
}
case $server in
  pulseaudio) need pulseaudio ;;
  pipewire) need pipewire wireplumber pipewire-pulse dbus-daemon pactl ;;
  *) echo "bench_audio.sh: --server pulseaudio or pipewire" >&2; exit 1 ;;
esac

work=$(mktemp -d /tmp/zelvora-audio.XXXXXX)
mkdir -m 700 "$work/run" "$work/home"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
export XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.state
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ "$server" = pulseaudio ] && { pulseaudio --kill 2>/dev/null || true; }
  [ -n "${BENCH_AUDIO_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

start_pulseaudio() {
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes --disable-shm=yes \
    --realtime=yes --high-priority=yes --log-target=file:"$work/pulse.log" \
    -L "module-null-sink sink_name=null rate=22050 channels=2" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1"
  export PULSE_SERVER=unix:$work/native
  if [ "$realtime_main" = 1 ]; then
    for _ in $(seq 50); do [ -s "$work/run/pulse/pid" ] && break; sleep 0.1; done
    chrt -r -p 5 "$(cat "$work/run/pulse/pid")" || echo "bench_audio.sh: not allowed realtime" >&2
  fi
}

# PipeWire, its session manager and its PulseAudio service, on a private D-Bus
# session bus (WirePlumber needs one), then a null sink made the default.
start_pipewire() {
  dbus-daemon --session --fork --address="unix:path=$work/run/bus" --print-pid=3 \
    3>"$work/dbus.pid"
  pids+=("$(cat "$work/dbus.pid")")
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/run/bus
  unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
  pipewire >"$work/pipewire.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$work/run/pipewire-0" ] && break; sleep 0.1; done
  wireplumber >"$work/wireplumber.log" 2>&1 &
  pids+=($!)
  pipewire-pulse >"$work/pipewire-pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done
  export PULSE_SERVER=unix:$work/run/pulse/native
  pactl load-module module-null-sink sink_name=null rate=22050 channels=2 >/dev/null
  for _ in $(seq 50); do pactl set-default-sink null 2>/dev/null && break; sleep 0.1; done
}

"start_$server"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
echo "server: $(pactl info | sed -n 's/^Server Name: //p')"
for _ in $(seq "$load"); do
  nice -n 0 sh -c 'while :; do :; done' &
  pids+=($!)
done

if [ "$alone" = 1 ] || [ "$program" = 1 ]; then
  need pacat parecord
  pacat --latency-msec=100 --raw --stream-name=silence </dev/zero 2>/dev/null &
  pids+=($!)
  parecord --latency-msec=100 --raw -d null.monitor >/dev/null 2>&1 &
  pids+=($!)
  if [ "$program" = 1 ]; then
    need xvfb-run openbox xdotool
    xvfb-run -a -s "-screen 0 1024x768x24" "$(dirname "$0")/read_program.sh" "$build" "$soak" \
      "$work/program"
  else
    "$build/bin/bench_audio" alone "$build/lib/libupctv.so" "$soak"
  fi
  exit
fi
if [ "$reference" = 1 ]; then
  "$build/bin/bench_audio" reference "$rounds" >"$work/reference.txt"
else
  : >"$work/reference.txt"
fi
"$build/bin/bench_audio" engine "$build/lib/libupctv.so" "$rounds" "$soak" >"$work/engine.txt"

printf '%-52s | %-40s | %s\n' "" "espeak-ng's own output" "the engine"
awk -F'\t' 'FILENAME == ARGV[1] { ref[$1] = $2; next }
  { printf "%-52s | %-40s | %s\n", $1, ($1 in ref ? ref[$1] : "-"), $2 }' \
  "$work/reference.txt" "$work/engine.txt"
