#!/usr/bin/env bash
# Takes the AppStream screenshot, book-chooser.png: the book chooser of a built
# zelvora on a virtual X display (xvfb-run, openbox, xdotool, ImageMagick import),
# opened with O in a folder of a few books. Run it after changing the chooser and
# commit the picture:
#
#   packaging/screenshots/take.sh [build-folder=build]
set -euo pipefail
here=$(realpath "$(dirname "$0")")
build=$(realpath "${1:-build}")

if [ -z "${ZELVORA_SCREENSHOT_INNER:-}" ]; then
    export ZELVORA_SCREENSHOT_INNER=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

out=$(mktemp -d /tmp/zelvora-screenshot.XXXXXX)
mkdir -p "$out/config" "$out/runtime" "$out/Llibres"
chmod 700 "$out/runtime"
for book in "Canigó" "Don Quijote de la Mancha" "Solitud" "Tirant lo Blanc" "Vida es sueño"; do
    printf 'Hola.\n' >"$out/Llibres/$book.txt"
done
openbox >"$out/openbox.log" 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true; [ -z "${app:-}" ] || kill "$app" 2>/dev/null || true' EXIT
sleep 1
export XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$out/runtime" UPCTV_WAV_FILE="$out/speech.wav"
(cd "$out/Llibres" && exec "$build/bin/zelvora") >"$out/zelvora.log" 2>&1 &
app=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1)
sleep 4
xdotool windowactivate --sync "$window" key o
chooser=$(timeout 60 xdotool search --sync --onlyvisible --name '^Obrir llibre$' | head -n 1)
sleep 3
import -window root "$here/book-chooser.png"
echo "take.sh: $here/book-chooser.png ($(identify -format '%wx%h' "$here/book-chooser.png")), chooser window $chooser"
