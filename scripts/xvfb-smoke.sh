#!/usr/bin/env bash
# End-to-end check of the program on a real (virtual) X display, with a window
# manager and the espeak-ng engine writing what it speaks to a WAV file.
#
#   scripts/xvfb-smoke.sh [build-folder] [output-folder]
#
# Starts zelvora with fresh settings in a folder holding one book, waits for the
# greeting, takes a screenshot, presses R (the menu again), then O, chooses the
# book in the chooser with Down and Return, listens to it being read (the WAV file
# grows), presses Return in the middle of its long second sentence, and S (exit).
# Checks that the program exited with status 0, spoke into the WAV file and saved
# the book's position (the second sentence's start, 5), the speed and the
# language, in that order. Needs xvfb-run, openbox, xdotool and ImageMagick's
# import (scripts/install-deps.sh). Screenshots, the WAV file, the book and the
# settings are left in the output folder.
#
# The speech is real and paced in real time, so the waits below are generous (the
# whole check takes about a minute); it is still a check of timing on a real
# display, and `make test` leaves it out: run it by hand, with `make test-xvfb`,
# or with `ctest -L xvfb`.
set -euo pipefail

build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$(mktemp -d /tmp/zelvora-smoke.XXXXXX)}")
mkdir -p "$out/config" "$out/runtime" "$out/books"
chmod 700 "$out/runtime"
rm -f "$out/speech.wav" "$out"/*.png "$out/config/zelvora/Tirova2001.ini" "$out/books"/*
# A short first sentence, then one that lasts about half a minute: Return, pressed
# a dozen seconds after the choice, falls well inside it.
book="$out/books/Prova.txt"
{
  printf 'Hola. Aquesta segona frase és molt llarga a propòsit, perquè la prova '
  printf 'pugui prémer la tecla de retorn mentre encara sona, sense presses: parla '
  printf 'dels rius i de les muntanyes, dels pobles i de les ciutats, de les estacions '
  printf 'de l any, de la pluja i del vent, i de tot allò que un llibre pot explicar '
  printf 'quan algú té temps per escoltar-lo amb calma. Fi.'
} >"$book"

if [ -z "${ZELVORA_SMOKE_INNER:-}" ]; then
  export ZELVORA_SMOKE_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$out"
fi

log() { printf 'xvfb-smoke: %s\n' "$*"; }
fail() { log "FAILED: $*"; exit 1; }

openbox >"$out/openbox.log" 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true' EXIT
sleep 1

export XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$out/runtime"
export UPCTV_WAV_FILE="$out/speech.wav"
unset QT_QPA_PLATFORM
# The book chooser starts in the current folder.
(cd "$out/books" && exec "$build/bin/zelvora") >"$out/zelvora.out" 2>"$out/zelvora.err" &
app=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1) || fail "no main window"
log "main window $window: $(xdotool getwindowname "$window")"
# Splash (1 s), then the activation's wait (1 s) and the greeting.
sleep 4
import -window root "$out/greeting.png"
size_after_greeting=$(stat -c %s "$out/speech.wav" 2>/dev/null || echo 0)
log "WAV after the greeting: $size_after_greeting bytes"
[ "$size_after_greeting" -gt 44 ] || fail "nothing spoken at start-up"

xdotool windowactivate --sync "$window" key r
sleep 2
size_after_r=$(stat -c %s "$out/speech.wav")
log "WAV after R: $size_after_r bytes"
[ "$size_after_r" -gt "$size_after_greeting" ] || fail "R spoke nothing"

wav_size() { stat -c %s "$out/speech.wav"; }

xdotool windowactivate --sync "$window" key o
chooser=$(timeout 30 xdotool search --sync --onlyvisible --name '^Obrir llibre$' | head -n 1) ||
  fail "O showed no book chooser"
log "book chooser $chooser"
sleep 3
import -window root "$out/chooser.png"
xdotool windowactivate --sync "$chooser" key Down
sleep 1
xdotool windowactivate --sync "$chooser" key Return
sleep 4
size_reading=$(wav_size)
sleep 8
size_later=$(wav_size)
log "WAV while reading: $size_reading then $size_later bytes"
[ "$size_later" -gt "$size_reading" ] || fail "the book is not being read"
xdotool windowactivate --sync "$window" key Return
sleep 3
settings="$out/config/zelvora/Tirova2001.ini"
[ -f "$settings" ] || fail "Return saved no position"
log "settings after Return: $(tr '\n' ' ' <"$settings")"
grep -qxF "$book=5" "$settings" || fail "the interrupted sentence's start was not saved"

# Waits up to $1 seconds for zelvora to end; true when it has.
ended_within() {
  for _ in $(seq 1 $(($1 * 2))); do
    kill -0 "$app" 2>/dev/null || return 0
    sleep 0.5
  done
  ! kill -0 "$app" 2>/dev/null
}

xdotool windowactivate --sync "$window" key s
ended_within 30 || fail "S did not end the program"
status=0
wait "$app" || status=$?
import -window root "$out/after-exit.png"
log "exit status $status"
[ "$status" -eq 0 ] || fail "exit status $status"
[ -f "$settings" ] || fail "no settings written at exit"
log "settings: $(tr '\n' ' ' <"$settings")"
expected=$(printf '[Zelvora]\n%s=5\nVelocitat de lectura=140\nLlengua=Català' "$book")
[ "$(cat "$settings")" = "$expected" ] || fail "settings are not book, speed and language"
log "WAV at the end: $(stat -c %s "$out/speech.wav") bytes; output in $out"
log "passed"
