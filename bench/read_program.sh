#!/usr/bin/env bash
# The reader itself reading a long book aloud for a while, on the X display and
# through the sound server of its caller (bench/bench_audio.sh --program):
#   bench/read_program.sh build seconds folder
# It starts a window manager and zelvora with fresh settings in `folder`, opens
# the only book with O, Home and Return, lets it read for `seconds`, and prints
# how many underflows the engine reported on the program's standard error, and
# the load average.
set -euo pipefail
build=$(realpath "$1")
seconds=$2
folder=$3

mkdir -p "$folder/books" "$folder/config"
"$(dirname "$0")/long_book.sh" >"$folder/books/llarg.txt"

openbox >"$folder/openbox.log" 2>&1 &
wm=$!
app=""
trap 'kill "$wm" ${app:+"$app"} 2>/dev/null || true' EXIT
sleep 1
(cd "$folder/books" && XDG_CONFIG_HOME="$folder/config" exec "$build/bin/zelvora" \
  >"$folder/out.log" 2>"$folder/err.log") &
app=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1)
sleep 8 # the greeting and the menu
xdotool windowactivate --sync "$window" key o
timeout 20 xdotool search --sync --onlyvisible --name '^Obrir llibre$' >/dev/null
sleep 1
xdotool key Home Return
sleep "$seconds"
kill -0 "$app" # still reading
xdotool windowactivate --sync "$window" key Return
sleep 1
printf '(c) underflows in %s s of the reader reading a book\t%s\n' "$seconds" \
  "$(grep -c 'audio underrun' "$folder/err.log" || true)"
printf '(c) load average (1, 5, 15 minutes) at the end\t%s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
