#!/usr/bin/env bash
# Whole-program benchmarks of zelvora on a virtual X display with a window manager.
#
#   bench/bench_program.sh [build-folder=build] [repeats=5] [output-folder]
#
# Environment: BENCH_IDLE_S (idle window, default 30), BENCH_READ_S (reading
# window, default 60).
#
# Figures, each as median, minimum and maximum over the repeats:
# 1. Start-up to greeting with the speech test double (libupctv_double.so put
#    first in LD_LIBRARY_PATH, UPCTV_DOUBLE_LOG): from the process's start to the
#    library's load and to the upcTVRead of the idle menu, as the double logs them.
# 2. Start-up to greeting with espeak-ng writing a WAV file: from the process's
#    start to the first sample in the file (polled every few milliseconds).
# 3. CPU (user+sys from /proc/PID/stat) as a share of wall time, in the same
#    espeak-ng runs: while idle after the greeting has been heard (BENCH_IDLE_S),
#    and while reading a long book continuously at real-time pace (BENCH_READ_S),
#    with how much speech the reading produced in that time.
# The process start is stamped by bench/launch_stamp.c right before its exec.
set -euo pipefail

build=$(realpath "${1:-build}")
repeats=${2:-5}
out=$(realpath -m "${3:-$(mktemp -d /tmp/zelvora-bench.XXXXXX)}")
here=$(dirname "$(realpath "$0")")
idle_s=${BENCH_IDLE_S:-30}
read_s=${BENCH_READ_S:-60}

if [ -z "${ZELVORA_BENCH_INNER:-}" ]; then
  mkdir -p "$out"
  cc -O2 -Wall -Wextra -o "$out/launch_stamp" "$here/launch_stamp.c"
  export ZELVORA_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$repeats" "$out"
fi

say() { printf '%s\n' "$*" | tee -a "$out/bench.log"; }
fail() { say "bench_program: FAILED: $*"; exit 1; }
: >"$out/bench.log"
unset QT_QPA_PLATFORM UPCTV_WAV_PACE UPCTV_DOUBLE_MS_PER_BYTE
openbox >"$out/openbox.log" 2>&1 &
wm=$!
app=""
trap 'kill "$wm" ${app:+"$app"} 2>/dev/null || true' EXIT
sleep 1

# Prints "median min max" of the numbers on stdin.
stats() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "median %.2f  min %.2f  max %.2f  (n=%d)\n", m, v[1], v[NR], NR }'; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
now_us() { echo "${EPOCHREALTIME/./}"; }

# Starts zelvora in folder $1 with fresh settings in $2; sets app and window.
start_app() {
  rm -rf "$2" && mkdir -p "$2/config" "$2/runtime" && chmod 700 "$2/runtime"
  (cd "$1" && XDG_CONFIG_HOME="$2/config" XDG_RUNTIME_DIR="$2/runtime" \
    exec "$out/launch_stamp" "$2/stamp" "$build/bin/zelvora" >"$2/out.log" 2>"$2/err.log") &
  app=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1) ||
    fail "no main window"
  # The figures are read from /proc/$app: it must be zelvora itself.
  [ "$(readlink "/proc/$app/exe")" = "$(realpath "$build/bin/zelvora")" ] || fail "pid $app is not zelvora"
}

# Ends the running program: Enter stops any reading, S says goodbye.
stop_app() {
  xdotool windowactivate --sync "$window" key Return 2>/dev/null || true
  sleep 1
  xdotool windowactivate --sync "$window" key s 2>/dev/null || true
  for _ in $(seq 1 40); do kill -0 "$app" 2>/dev/null || break; sleep 0.5; done
  kill "$app" 2>/dev/null && say "  (had to kill pid $app)"
  wait "$app" 2>/dev/null || true
  app=""
}

mkdir -p "$out/books"
book="$out/books/llarg.txt"
[ -s "$book" ] || "$here/long_book.sh" >"$book"

say "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
say "build: $build; $repeats repeats; idle ${idle_s} s, reading ${read_s} s"

# --- 1. Start-up with the test double -------------------------------------------
engine_dir="$out/double-engine"
mkdir -p "$engine_dir"
ln -sf "$build/lib/libupctv_double.so" "$engine_dir/libupctv.so"
: >"$out/double-load.txt"
: >"$out/double-greeting.txt"
for r in $(seq 1 "$repeats"); do
  run="$out/double-$r"
  export UPCTV_DOUBLE_LOG="$run.log" LD_LIBRARY_PATH="$engine_dir"
  rm -f "$run.log"
  start_app "$out/books" "$run"
  for _ in $(seq 1 200); do grep -q ' upcTVRead ' "$run.log" 2>/dev/null && break; sleep 0.1; done
  start=$(cut -d' ' -f1 "$run/stamp")
  load=$(awk '$3 == "load" { print $1; exit }' "$run.log")
  read_ms=$(awk '$3 == "upcTVRead" { print $1; exit }' "$run.log")
  [ -n "$read_ms" ] || fail "the double saw no greeting (run $r)"
  echo "$((load - start))" >>"$out/double-load.txt"
  echo "$((read_ms - start))" >>"$out/double-greeting.txt"
  stop_app
  unset UPCTV_DOUBLE_LOG LD_LIBRARY_PATH
done
say "start-up to library load, test double (ms):      $(stats <"$out/double-load.txt")"
say "start-up to greeting upcTVRead, test double (ms): $(stats <"$out/double-greeting.txt")"

# --- 2 and 3. espeak-ng into a WAV file -----------------------------------------
: >"$out/wav-greeting.txt"
: >"$out/cpu-idle.txt"
: >"$out/cpu-reading.txt"
: >"$out/speech-reading.txt"
wav_bytes_per_s=44100 # 22050 Hz, 16-bit mono
for r in $(seq 1 "$repeats"); do
  run="$out/espeak-$r"
  export UPCTV_WAV_FILE="$run.wav"
  rm -f "$run.wav"
  start_app "$out/books" "$run"
  seen=""
  for _ in $(seq 1 6000); do
    if [ "$(stat -c %s "$run.wav" 2>/dev/null || echo 0)" -gt 44 ]; then seen=$(now_us) && break; fi
    sleep 0.002
  done
  [ -n "$seen" ] || fail "nothing spoken at start-up (run $r)"
  started=$(cut -d' ' -f2 "$run/stamp")
  echo "$(((seen - started) / 1000))" >>"$out/wav-greeting.txt"

  # Idle: once the menu has been heard to its end (its length is in the file).
  sleep 1
  menu_s=$((($(stat -c %s "$run.wav") - 44) / wav_bytes_per_s + 2))
  sleep "$menu_s"
  t0=$(now_us) c0=$(cpu_ticks "$app")
  sleep "$idle_s"
  t1=$(now_us) c1=$(cpu_ticks "$app")
  awk -v c="$((c1 - c0))" -v hz="$hz" -v us="$((t1 - t0))" 'BEGIN { printf "%.4f\n", 100 * c / hz / (us / 1e6) }' \
    >>"$out/cpu-idle.txt"

  # Reading: O, the only book in the chooser, Enter; measure after the announcement.
  xdotool windowactivate --sync "$window" key o
  timeout 20 xdotool search --sync --onlyvisible --name '^Obrir llibre$' >/dev/null || fail "no book chooser (run $r)"
  sleep 1
  xdotool key Home Return
  sleep 5
  w0=$(stat -c %s "$run.wav") t0=$(now_us) c0=$(cpu_ticks "$app")
  sleep "$read_s"
  w1=$(stat -c %s "$run.wav") t1=$(now_us) c1=$(cpu_ticks "$app")
  awk -v c="$((c1 - c0))" -v hz="$hz" -v us="$((t1 - t0))" 'BEGIN { printf "%.4f\n", 100 * c / hz / (us / 1e6) }' \
    >>"$out/cpu-reading.txt"
  awk -v b="$((w1 - w0))" -v bps="$wav_bytes_per_s" 'BEGIN { printf "%.1f\n", b / bps }' >>"$out/speech-reading.txt"
  stop_app
done
unset UPCTV_WAV_FILE
say "start-up to first WAV sample, espeak-ng (ms):    $(stats <"$out/wav-greeting.txt")"
say "CPU while idle ${idle_s} s (% of one core):        $(stats <"$out/cpu-idle.txt")"
say "CPU while reading ${read_s} s (% of one core):     $(stats <"$out/cpu-reading.txt")"
say "speech produced while reading ${read_s} s (s):      $(stats <"$out/speech-reading.txt")"
say "CPU tick = $((1000 / hz)) ms; output in $out"
