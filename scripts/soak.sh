#!/usr/bin/env bash
# Long-use check of the real program: zelvora on a virtual X display with a window
# manager, the espeak-ng engine writing what it speaks to a WAV file at real-time
# pace, driven for a given time by a seeded random stream of keys.
#
#   scripts/soak.sh [minutes=30] [build-folder=build] [output-folder]
#
# For a sanitizer build pass its options through, e.g.
#   ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
# any report in zelvora.err fails. With AddressSanitizer's default quarantine
# (256 MB of freed memory kept back) RSS climbs for the whole run, so the memory
# check only means something with a small quarantine.
# Environment: SOAK_SEED (random seed, default 2001), SOAK_ANSWER_MS (how soon
# every key must be answered, default 1000), SOAK_RSS_GROWTH_KB (allowed RSS
# growth after the warm-up, default 8192).
#
# The program runs in a folder of generated books (long ones, an empty one, one of
# random bytes, one in a subfolder) with fresh settings. Keys: the main window's
# commands (Enter, R, F3, P, C, A, M, O, V, D, L, T and some keypad and function
# key forms), T with random clipboard text set through xclip, and inside the book
# chooser Tab, arrows, Enter (choose a book, or move between the books folder and
# its subfolder) and Esc; S at the end.
#
# It passes when:
# - the program never dies and exits with status 0 after S;
# - every key is answered: after each key a _NET_WM_PING is sent to the window
#   (scripts/xping.c) and the program's GUI thread must send it back within
#   SOAK_ANSWER_MS; as X delivers a client's events in order, the answer proves
#   the key was taken from the queue and the event loop (nested waits included)
#   is turning. Enter, R and F3 in the main window must also make it speak (the
#   WAV file grows within 3 s);
# - VmRSS, sampled every 5 s, grows by at most SOAK_RSS_GROWTH_KB between the end
#   of the warm-up (a fifth of the run, at least 1 minute) and the end;
# - the settings file is valid at the end: one [Zelvora] section, an integer
#   speed, a known language, and for every book a position within the book.
# Everything (logs, WAV, RSS samples, settings) is left in the output folder.
set -euo pipefail

minutes=${1:-30}
build=$(realpath "${2:-build}")
out=$(realpath -m "${3:-$(mktemp -d /tmp/zelvora-soak.XXXXXX)}")
here=$(dirname "$(realpath "$0")")

if [ -z "${ZELVORA_SOAK_INNER:-}" ]; then
  mkdir -p "$out"
  cc -O2 -Wall -Wextra -o "$out/xping" "$here/xping.c" -lX11
  export ZELVORA_SOAK_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$minutes" "$build" "$out"
fi

seed=${SOAK_SEED:-2001}
answer_ms=${SOAK_ANSWER_MS:-1000}
rss_growth_kb=${SOAK_RSS_GROWTH_KB:-8192}
RANDOM=$seed

log() { printf '%s soak: %s\n' "$(date -u +%H:%M:%S)" "$*" | tee -a "$out/soak.log"; }

rm -rf "$out/config" "$out/runtime" "$out/books" "$out/speech.wav" "$out/soak.log" "$out/keys.log"
mkdir -p "$out/config" "$out/runtime" "$out/books/mes"
chmod 700 "$out/runtime"

# --- Books ------------------------------------------------------------------
words=(el llibre parla de la mar i les muntanyes amb veu clara per a tothom
  que vol llegir sense veure una paraula nova cada dia lentament casa
  Barcelona Girona any temps aigua cafè camí història)
# Writes $2 sentences of random words to $1, each ending ". " or ".\r\n".
make_book() {
  local file=$1 count=$2 i j n line
  : >"$file"
  for ((i = 0; i < count; i++)); do
    n=$((3 + RANDOM % 14))
    line=""
    for ((j = 0; j < n; j++)); do line+="${words[RANDOM % ${#words[@]}]} "; done
    if ((RANDOM % 5 == 0)); then printf '%s.\r\n' "${line% }"; else printf '%s. ' "${line% }"; fi
  done >>"$file"
}
make_book "$out/books/llarg.txt" 3000
make_book "$out/books/novel·la llarga.txt" 2000
make_book "$out/books/mes/curt.txt" 20
: >"$out/books/buit.txt"
# Random bytes, NULs and Windows-1252 punctuation included, seeded like the rest.
LC_ALL=C awk -v seed="$seed" 'BEGIN { srand(seed); for (i = 0; i < 20000; i++) printf "%c", int(rand() * 256) }' \
  >"$out/books/estrany.txt"
printf 'Caf\xe8 amb llet \x93cita\x94 de 5 \x80. Fi\x85 i tot. ' >"$out/books/accents.txt"

export XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$out/runtime"
export UPCTV_WAV_FILE="$out/speech.wav"
unset QT_QPA_PLATFORM UPCTV_WAV_PACE

openbox >"$out/openbox.log" 2>&1 &
wm=$!
pids_to_end=("$wm")
cleanup() {
  for p in "${pids_to_end[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
sleep 1

cd "$out/books"
start_ns=$(date +%s%N)
# The engine is found through the executable's RUNPATH, except under
# AddressSanitizer, whose dlopen interceptor hides the caller: name the folder.
LD_LIBRARY_PATH="$build/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  "$build/bin/zelvora" >"$out/zelvora.out" 2>"$out/zelvora.err" &
app=$!
pids_to_end+=("$app")
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1) || {
  log "FAILED: no main window"
  exit 1
}
log "zelvora pid $app, main window $window, seed $seed, $minutes min"

# --- Memory samples -----------------------------------------------------------
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$app/status" 2>/dev/null || echo 0; }
(
  while kill -0 "$app" 2>/dev/null; do
    printf '%s %s\n' "$((($(date +%s%N) - start_ns) / 1000000))" "$(rss_kb)"
    sleep 5
  done
) >"$out/rss.log" &
pids_to_end+=("$!")
sleep 4 # splash, the activation's wait and the greeting

# --- Key stream ---------------------------------------------------------------
declare -A sent=()
declare -A closed_by=()
opened=0 in_chooser=0 last_chooser_key="" late=0 hangs=0 silent_menus=0 max_answer=0 answers=0 left_tree=0
failures=()
wav_size() { stat -c %s "$out/speech.wav" 2>/dev/null || echo 0; }
chooser_window() { xdotool search --onlyvisible --name '^Obrir llibre$' 2>/dev/null | head -n 1; }

# Sends key $1 to the focused window and checks it is answered; $2 names where
# it was sent for the counts ("main" or "chooser").
press() {
  local key=$1 reply
  xdotool key "$key"
  printf '%s %s:%s wav=%s\n' "$(date -u +%H:%M:%S.%N | cut -c1-12)" "${2:-chooser}" "$key" "$(wav_size)" >>"$out/keys.log"
  [ "${2:-chooser}" = main ] || last_chooser_key=$key
  sent[${2:-chooser}:$key]=$((${sent[${2:-chooser}:$key]:-0} + 1))
  if ! reply=$("$out/xping" "$window" "$answer_ms"); then
    late=$((late + 1))
    if reply=$("$out/xping" "$window" 10000); then
      log "key $key answered late (more than $answer_ms ms)"
    else
      hangs=$((hangs + 1))
      log "key $key not answered within $((answer_ms + 10000)) ms"
    fi
    return
  fi
  answers=$((answers + 1))
  awk -v a="$reply" -v m="$max_answer" 'BEGIN { exit !(a > m) }' && max_answer=$reply
  return 0
}

# Sets the clipboard to one of several kinds of random text.
set_clipboard() {
  local kind=$((RANDOM % 5)) text="" i
  case $kind in
  0) text="" ;;
  1) for ((i = 0; i < 400; i++)); do text+="${words[RANDOM % ${#words[@]}]} "; done ;;
  2) text=$'Caf\xc3\xa8 \xe2\x80\x9cdol\xc3\xa7\xe2\x80\x9d \xe2\x82\xac 5. Adéu.\n' ;;
  3) text=$(LC_ALL=C awk -v s="$RANDOM" 'BEGIN { srand(s); for (i = 0; i < 300; i++) printf "%c", 1 + int(rand() * 255) }') ;;
  *) for ((i = 0; i < 12; i++)); do text+="${words[RANDOM % ${#words[@]}]} "; done; text+=". " ;;
  esac
  printf '%s' "$text" | xclip -selection clipboard -i
}

focus_main() {
  if [ "$(xdotool getwindowfocus 2>/dev/null)" != "$window" ]; then
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    sleep 0.3
  fi
}

main_keys=(Return Return Return Return r r r F3 p p p c c c c c a a a m m o o o o o
  v v v d d d l l l t t t KP_Subtract KP_Divide F1 F5 F7)
main_step() {
  local key=${main_keys[RANDOM % ${#main_keys[@]}]} before
  focus_main
  case $key in t | F5) set_clipboard ;; esac
  before=$(wav_size)
  press "$key" main
  case $key in
  Return | r | F3)
    local spoke=0 i
    for i in 1 2 3 4 5 6; do
      sleep 0.5
      if [ "$(wav_size)" -gt "$before" ]; then spoke=1 && break; fi
    done
    if [ $spoke -eq 0 ]; then
      silent_menus=$((silent_menus + 1))
      log "menu key $key spoke nothing"
    fi
    ;;
  esac
}

# Focus inside the chooser: 0 file list, 1 drive list, 2 folder list, 3 Cancel.
chooser_focus=0
chooser_steps=0
chooser_step() {
  local roll=$((RANDOM % 100)) cwd
  chooser_steps=$((chooser_steps + 1))
  if ((roll < 8 || chooser_steps > 25)); then
    press Escape
    chooser_focus=0 chooser_steps=0
    return
  fi
  if ((roll < 30)); then
    press Tab
    chooser_focus=$(((chooser_focus + 1) % 4))
    return
  fi
  case $chooser_focus in
  0)
    if ((roll < 45)); then
      press Return
      chooser_focus=0 chooser_steps=0
    else
      local moves=(Down Down Down Up Home End r)
      press "${moves[RANDOM % ${#moves[@]}]}"
    fi
    ;;
  1) press r ;; # the drive list stays on its drive: other mounts are not ours
  2)
    # Between the books folder and its subfolder only, by the process's cwd.
    cwd=$(readlink "/proc/$app/cwd" || true)
    if [ "$cwd" = "$out/books" ]; then
      press Down && press Return
    elif [ "$cwd" = "$out/books/mes" ]; then
      press Up && press Return
    else
      left_tree=$((left_tree + 1))
      press Tab
      chooser_focus=3
    fi
    ;;
  3)
    if ((roll < 60)); then
      press Return
      chooser_focus=0 chooser_steps=0
    else
      press Up
    fi
    ;;
  esac
}

# Every book in the books folder once, in the chooser's order, so each kind is read
# at least once whatever the random stream does: open it, let it read, interrupt.
# Waits up to $1 seconds for the book chooser; true when it is open.
chooser_within() {
  for ((i = 0; i < $1 * 4; i++)); do
    [ -z "$(chooser_window)" ] || return 0
    sleep 0.25
  done
  return 1
}
# A key pressed while a book's announcement is spoken runs as a command and the
# reading starts after it, when O is ignored: so Enter first, then O again.
for k in 0 1 2 3 4; do
  focus_main
  press o main
  if ! chooser_within 3; then
    press Return main
    sleep 1.5
    press o main
    chooser_within 5 || { log "no book chooser after O" && continue; }
  fi
  press Home
  for ((i = 0; i < k; i++)); do press Down; done
  press Return
  sleep 8
  focus_main
  press Return main
  sleep 1.5
done
log "after opening every book: $(tr '\n' '|' <"$out/config/zelvora/Tirova2001.ini" 2>/dev/null)"

end_s=$(($(date +%s) + minutes * 60))
steps=0
while [ "$(date +%s)" -lt "$end_s" ]; do
  if ! kill -0 "$app" 2>/dev/null; then
    failures+=("the program died during the run")
    break
  fi
  if [ -n "$(chooser_window)" ]; then
    ((in_chooser)) || opened=$((opened + 1))
    in_chooser=1
    chooser_step
  else
    if ((in_chooser)); then
      closed_by[$last_chooser_key]=$((${closed_by[$last_chooser_key]:-0} + 1))
    fi
    in_chooser=0 chooser_focus=0 chooser_steps=0
    main_step
  fi
  steps=$((steps + 1))
  # Mostly quick keys; now and then a long pause so reading goes on.
  if ((RANDOM % 10 == 0)); then sleep $((3 + RANDOM % 15)); else sleep "0.$((2 + RANDOM % 8))"; fi
done

# --- End: leave the chooser, stop any reading, S ---------------------------
# S is ignored while a book is read, and a key pressed while a book is announced
# acts as a command before the reading starts; so Enter, a pause, S, and again if
# the program is still there. Needing more than one S is reported, not failed.
exit_attempts=0
if kill -0 "$app" 2>/dev/null; then
  status=timeout
  for attempt in 1 2 3; do
    exit_attempts=$attempt
    for _ in 1 2 3; do [ -n "$(chooser_window)" ] && press Escape && sleep 1; done
    focus_main
    press Return main
    sleep 1.5
    press s main
    for _ in $(seq 1 60); do
      if ! kill -0 "$app" 2>/dev/null; then
        status=0
        wait "$app" || status=$?
        break 2
      fi
      sleep 0.5
    done
    log "still running 30 s after S (attempt $attempt)"
  done
  [ "$status" = 0 ] || failures+=("exit status after S: $status")
fi
log "S presses needed to end the program: $exit_attempts"

# --- Report -------------------------------------------------------------------
log "steps $steps, keys answered $answers (slowest ${max_answer} ms), late $late, not answered $hangs"
log "keys sent: $(for k in "${!sent[@]}"; do printf '%s=%s ' "$k" "${sent[$k]}"; done)"
log "chooser opened $opened times; closed by the key: $(for k in "${!closed_by[@]}"; do printf '%s=%s ' "$k" "${closed_by[$k]}"; done)"
log "Carpeta.txt left behind: $(find "$out/books" -name Carpeta.txt | tr '\n' ' ')"
log "menu keys that spoke nothing: $silent_menus; times the chooser left the books folders: $left_tree"
((late == 0)) || failures+=("$late keys answered later than $answer_ms ms")
((hangs == 0)) || failures+=("$hangs keys never answered")
((silent_menus == 0)) || failures+=("$silent_menus menu keys spoke nothing")
if grep -Eq 'AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:|Segmentation|Aborted|terminate called' "$out/zelvora.err"; then
  failures+=("errors in zelvora.err")
fi

warm_ms=$((minutes * 60000 / 5))
((warm_ms >= 60000)) || warm_ms=60000
# First, warm-up and last samples, peak, and the least-squares slope after warm-up.
read -r rss_first rss_warm rss_last rss_peak slope < <(awk -v w="$warm_ms" '
  $2 > 0 { if (!f) f = $2; last = $2; if ($2 > peak) peak = $2
    if ($1 >= w) { if (!warm) warm = $2; n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 } }
  END { s = (n > 1 && n * sxx != sx * sx) ? (n * sxy - sx * sy) / (n * sxx - sx * sx) * 60000 : 0
        printf "%d %d %d %d %.1f\n", f, warm, last, peak, s }' "$out/rss.log")
log "VmRSS kB: first $rss_first, after warm-up $rss_warm, last $rss_last, peak $rss_peak; slope after warm-up $slope kB/min ($(wc -l <"$out/rss.log") samples)"
if [ "$rss_warm" -gt 0 ] && [ $((rss_last - rss_warm)) -gt "$rss_growth_kb" ]; then
  failures+=("VmRSS grew by $((rss_last - rss_warm)) kB after the warm-up")
fi

# Settings: one section, integer speed, known language, positions within books.
settings="$out/config/zelvora/Tirova2001.ini"
bad_settings=$(LC_ALL=C awk -v books="$out/books" '
  function size(p,   cmd, s) { cmd = "stat -c %s \"" p "\" 2>/dev/null"; s = -1; cmd | getline s; close(cmd); return s }
  { sub(/\r$/, "") }
  /^$/ { next }
  /^\[/ { sections++; if ($0 != "[Zelvora]") print "section " $0; next }
  { eq = index($0, "="); if (!eq) { print "line " NR; next }
    key = substr($0, 1, eq - 1); value = substr($0, eq + 1) }
  key == "Velocitat de lectura" { if (value !~ /^-?[0-9]+$/) print "speed " value; next }
  key == "Llengua" { if (value != "Català" && value != "Castellà") print "language " value; next }
  { if (value !~ /^[0-9]+$/) { print "position " $0; next }
    s = size(key); if (s >= 0 && value + 0 > s) print "position past the end " $0 }
  END { if (sections != 1) print "sections " sections }' "$settings" 2>&1) || bad_settings="unreadable"
[ -f "$settings" ] || bad_settings="missing"
log "settings: $(tr '\n' '|' <"$settings" 2>/dev/null)"
[ -z "$bad_settings" ] || failures+=("settings file not valid: $bad_settings")
ls "$out/config/zelvora" | grep -vqE '^Tirova2001\.ini(\.lock)?$' && failures+=("stray files in the settings folder")

log "WAV: $(wav_size) bytes; output in $out"
if [ ${#failures[@]} -gt 0 ]; then
  for f in "${failures[@]}"; do log "FAILED: $f"; done
  exit 1
fi
log "passed"
