#!/usr/bin/env bash
# `zelvora --export` side by side with `espeak-ng -w` on the same text, in one run:
#
#   bench/bench_export.sh [build-folder=build] [output-folder]
#
# Environment: BENCH_EXPORT_MINUTES (the espeak-ng book, default 60),
# BENCH_FESTIVAL_MINUTES (Festival's shorter book, default 10: it speaks about
# 40 times faster than real time, not 1,000), BENCH_MEMORY_MINUTES (the long
# chapter, default 180), BENCH_REPEATS (runs of the anchor, default 3: the
# fastest counts, it takes seconds only).
#
# The books are plain texts of chapters of about 5 minutes under "CAPÍTOL N"
# lines, spoken in Catalan at speed 140 (140 words a minute, espeak-ng's -s 140).
# For each run: wall time, real-time factor (seconds of audio / seconds of wall
# time), throughput against the anchor (the ratio of the real-time factors),
# megabytes of file per hour of audio, and the peak resident memory of the
# worker processes, polled from /proc (VmHWM) every 50 ms, beside GNU time's
# maximum resident set over the whole process tree (the coordinator included).
# The audio lengths come from decoding every file (opusdec, mpg123, soxi).
# The memory row exports a book whose first chapter is BENCH_MEMORY_MINUTES long.
# The load average is printed with every run: on a busy machine run it again.
# Packages: espeak-ng (the command), time, bc, opus-tools, mpg123, sox
# (`scripts/install-deps.sh bench`).
set -euo pipefail

build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$(mktemp -d /tmp/zelvora-bench-export.XXXXXX)}")
minutes=${BENCH_EXPORT_MINUTES:-60}
festival_minutes=${BENCH_FESTIVAL_MINUTES:-10}
memory_minutes=${BENCH_MEMORY_MINUTES:-180}
repeats=${BENCH_REPEATS:-3}
zelvora=$build/bin/zelvora
speed=140

for tool in espeak-ng /usr/bin/time bc opusdec mpg123 soxi pgrep; do
  command -v "$tool" >/dev/null || { echo "bench_export: $tool is missing (scripts/install-deps.sh bench)"; exit 1; }
done
[ -x "$zelvora" ] || { echo "bench_export: no $zelvora (build the target zelvora)"; exit 1; }
mkdir -p "$out"
export XDG_CONFIG_HOME=$out/config XDG_CACHE_HOME=$out/cache XDG_DATA_HOME=$out/data
unset ZELVORA_ENGINE

# Writes a book of `chapters` chapters of `sentences` sentences each (about ten a
# minute of speech); the first chapter has `first` sentences.
make_book() {
  local chapters=$1 sentences=$2 first=$3 c i n count
  local lines=(
    "El vent bufava fort sobre la plana i els arbres es doblegaven cap al riu."
    "La Maria va obrir la finestra per sentir la remor de la pluja a la teulada."
    "Al poble tothom recordava l'hivern en què la neu va tapar els camins durant setmanes."
    "El mestre explicava als nens com els vaixells travessaven el mar abans dels motors."
    "Quan va arribar la primavera, els camps es van omplir de flors grogues i blanques."
    "En Pere caminava a poc a poc, amb el bastó a la mà i el barret ben posat."
    "La biblioteca feia olor de paper vell, de fusta i de cera per als mobles."
    "Aquella nit ningú no va dormir, perquè la tempesta feia tremolar les parets de la casa."
    "Els pescadors tornaven al port amb les barques plenes i les cares cremades pel sol."
    "Ella escrivia cartes llargues a la seva germana, que vivia a l'altra banda de les muntanyes."
    "El tren de la tarda sempre arribava tard, però a l'estació ningú no s'hi enfadava."
    "Van parlar fins a la matinada de llibres, de viatges i de la gent que havien conegut."
  )
  n=${#lines[@]}
  for c in $(seq 1 "$chapters"); do
    printf 'CAPÍTOL %d\n\n' "$c"
    count=$sentences
    ((c > 1)) || count=$first
    for i in $(seq 1 "$count"); do
      printf '%s ' "${lines[$(((c * 7 + i) % n))]}"
      ((i % 6)) || printf '\n\n'
    done
    printf '\n\n'
  done
}

now() { echo "${EPOCHREALTIME}"; }
load() { cut -d' ' -f1 /proc/loadavg; }

# The highest VmHWM (kB) of the children of $1 until it ends, in $2.
poll_workers() {
  local parent=$1 file=$2 peak=0 child key value unit
  while kill -0 "$parent" 2>/dev/null; do
    for child in $(pgrep -P "$parent" 2>/dev/null); do
      { while read -r key value unit; do
        [ "$key" = VmHWM: ] && ((value > peak)) && peak=$value
      done <"/proc/$child/status"; } 2>/dev/null || true
    done
    sleep 0.05
  done
  echo "$peak" >"$file"
}

# The seconds of audio in the files of folder $1 with extension $2, decoding each.
audio_seconds() {
  local folder=$1 ext=$2 total=0 f wav=$out/decoded.wav s
  for f in "$folder"/*."$ext"; do
    case $ext in
      opus) opusdec --quiet "$f" "$wav" ;;
      mp3) mpg123 -q -w "$wav" "$f" ;;
      wav) cp "$f" "$wav" ;;
    esac
    s=$(soxi -D "$wav")
    total=$(echo "$total + $s" | bc -l)
  done
  rm -f "$wav"
  echo "$total"
}

rows=()
anchor_rtf=""
# Adds a row: name wall-seconds audio-seconds bytes worker-kB tree-kB load.
row() {
  local name=$1 wall=$2 audio=$3 bytes=$4 worker=$5 tree=$6 loadavg=$7
  local rtf ratio mbh
  rtf=$(echo "$audio / $wall" | bc -l)
  ratio=$(echo "$rtf / $anchor_rtf" | bc -l)
  mbh=$(echo "$bytes / 1000000 / ($audio / 3600)" | bc -l)
  rows+=("$(printf '%-30s %8.2f %8.0f %8.0f %6.2fx %7.2f %9s %9s %5s' "$name" "$wall" "$audio" \
    "$rtf" "$ratio" "$mbh" "$worker" "$tree" "$loadavg")")
}

# Exports book $1 with engine $2, format $3 and $4 jobs; adds its row named $5.
export_run() {
  local book=$1 engine=$2 format=$3 jobs=$4 name=$5 folder=$out/export start end pid loadavg
  rm -rf "$folder" "$XDG_CACHE_HOME"
  loadavg=$(load)
  start=$(now)
  /usr/bin/time -f %M -o "$out/tree.kb" "$zelvora" --export "$book" --output "$folder" \
    --engine "$engine" --format "$format" --jobs "$jobs" --speed "$speed" --language ca \
    >"$out/export.log" 2>&1 &
  pid=$!
  # GNU time's child is zelvora, whose children are the workers.
  local child=""
  while [ -z "$child" ] && kill -0 "$pid" 2>/dev/null; do
    child=$(pgrep -P "$pid" | head -n 1) || sleep 0.005
  done
  poll_workers "${child:-$pid}" "$out/worker.kb" &
  local poller=$!
  wait "$pid" || { echo "bench_export: $name failed:"; cat "$out/export.log"; exit 1; }
  end=$(now)
  wait "$poller"
  local bytes
  bytes=$(cat "$folder"/*."$format" | wc -c)
  row "$name" "$(echo "$end - $start" | bc -l)" "$(audio_seconds "$folder" "$format")" "$bytes" \
    "$(($(cat "$out/worker.kb") / 1024)) MB" "$(($(cat "$out/tree.kb") / 1024)) MB" "$loadavg"
}

chapters=$(((minutes + 4) / 5))
make_book "$chapters" 51 51 >"$out/book.txt"
make_book $(((festival_minutes + 4) / 5)) 51 51 >"$out/festival.txt"
make_book 2 51 $((memory_minutes * 51 / 5)) >"$out/long.txt"

echo "bench_export: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

best=""
for _ in $(seq 1 "$repeats"); do
  loadavg=$(load)
  start=$(now)
  espeak-ng -v ca -s "$speed" -w "$out/anchor.wav" -f "$out/book.txt"
  end=$(now)
  wall=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || (($(echo "$wall < $best" | bc -l))); then best=$wall anchor_load=$loadavg; fi
done
anchor_audio=$(soxi -D "$out/anchor.wav")
anchor_rtf=$(echo "$anchor_audio / $best" | bc -l)
row "espeak-ng -w (anchor)" "$best" "$anchor_audio" "$(wc -c <"$out/anchor.wav")" - - "$anchor_load"

for format in opus mp3; do
  for jobs in 1 2; do
    export_run "$out/book.txt" espeak "$format" "$jobs" "export espeak $format --jobs $jobs"
  done
done
for format in opus mp3; do
  for jobs in 1 2; do
    export_run "$out/festival.txt" festival "$format" "$jobs" "export festival $format --jobs $jobs"
  done
done
for format in opus mp3; do
  export_run "$out/long.txt" espeak "$format" 1 "${memory_minutes} min chapter espeak $format"
done

echo
echo "Books: espeak-ng ${minutes} min in ${chapters} chapters, Festival ${festival_minutes} min," \
  "long chapter ${memory_minutes} min; speed $speed (Catalan)."
printf '%-30s %8s %8s %8s %7s %7s %9s %9s %5s\n' run wall_s audio_s RTF vs_anch MB/h \
  worker_pk tree_pk load
printf '%s\n' "${rows[@]}"
echo "Goals: espeak opus --jobs 2 >= 1.60x the anchor; opus <= 12 MB/h; worker peak <= 64 MB."
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
