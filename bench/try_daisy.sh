#!/usr/bin/env bash
# A talking book through the real program, as a blind reader uses it:
#   bench/try_daisy.sh BOOK_FOLDER [build=build] [out=/tmp/zelvora-try]
# Copies the book (a DAISY folder, or any folder of books) into OUT, then runs
# zelvora twice under xvfb-run with keys from xdotool, a fresh settings file
# (private HOME and XDG folders), the test double as the speech engine (every
# text it was given is in OUT/spoken.txt) and the player writing what it plays
# to a paced WAV (OUT/heard1.wav, OUT/heard2.wav).
# First run: open the book from the chooser (its first line), pause with Enter,
# where am I, three navigation levels with Page Down, one phrase or sentence at
# speed 140 and the same at 200 (M with P on: the WAV's growth of each is in
# OUT/timeline.txt), continue, pause, exit. Second run: C, then open the book
# again and pause at once (the saved position must not move), exit.
# OUT/report.txt: the texts spoken, the saved positions and the sentence of the
# book's cached text at each. Needs xvfb, xdotool, openbox, imagemagick.
set -euo pipefail
book=$(realpath "$1")
build=$(realpath "${2:-build}")
out=${3:-/tmp/zelvora-try}

if [ -z "${ZELVORA_TRY_INNER:-}" ]; then
  for tool in xvfb-run xdotool openbox import python3; do
    command -v "$tool" >/dev/null || { echo "try_daisy.sh: needs $tool" >&2; exit 1; }
  done
  rm -rf "$out"
  mkdir -p "$out"/{home,config,data,cache,books,lib}
  mkdir -m 700 "$out/runtime"
  ln -s "$build/lib/libupctv_double.so" "$out/lib/libupctv.so"
  cp -r "$book" "$out/books/"
  export ZELVORA_TRY_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

folder=$out/books/$(basename "$book")
export HOME=$out/home XDG_CONFIG_HOME=$out/config XDG_DATA_HOME=$out/data
export XDG_CACHE_HOME=$out/cache XDG_RUNTIME_DIR=$out/runtime LD_LIBRARY_PATH=$out/lib
export UPCTV_DOUBLE_LOG=$out/double.log UPCTV_DOUBLE_MS_PER_BYTE=20
export UPCTV_WAV_FILE=$out/heard.wav UPCTV_WAV_PACE=1
unset QT_QPA_PLATFORM
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

wavBytes() { stat -c %s "$out/heard.wav" 2>/dev/null || echo 0; }
# k KEY [seconds to wait after it]: one key press, logged with the WAV's size.
k() {
  xdotool key --window "$window" "$1"
  sleep "${2:-1.5}"
  echo "$(date +%s.%N | cut -c1-14) $1 $(wavBytes)" >>"$out/timeline.txt"
}
mark() { echo "== $1" >>"$out/timeline.txt"; }
position() { grep -F "$folder/" "$out/config/zelvora/Tirova2001.ini" | sed 's/.*=//' || true; }
# pause WHAT: Enter, then the position it saved.
pause() {
  k Return 3
  echo "$1: $(position)" >>"$out/positions.txt"
}

run() {
  (cd "$folder" && exec "$build/bin/zelvora") >>"$out/stdout.txt" 2>>"$out/stderr.txt" &
  app=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^ZELVORA' | head -1)
  sleep 6
  "$@"
  wait "$app" || echo "exit status $?" >>"$out/stdout.txt"
  echo "saved after the $1 run: $(position)" >>"$out/positions.txt"
}

first() {
  mark open; k o 4; k Down 2; k Return 12
  import -window root "$out/screen.png"
  mark pause; pause "paused after opening"
  mark whereami; k i 8
  for level in 1 2 3; do
    mark "level $level"; k n 3; k Next 5; pause "paused after level $level"
  done
  mark "stop after each unit"; k p 3
  mark "one unit at 140"; k m 8
  mark faster; for _ in 1 2 3 4 5 6; do k v 1.5; done
  mark "one unit at 200"; k m 8
  mark slower; for _ in 1 2 3 4 5 6; do k d 1.5; done
  mark "read on"; k p 3
  mark continue; k c 8; pause "paused before exit"
  mark exit; k s 5
}

second() {
  mark "C after the restart"; k c 4
  mark "open again"; k o 4; k Down 2; k Return 4; pause "paused after reopening"
  mark whereami; k i 8
  mark exit; k s 5
}

run first
mv "$out/heard.wav" "$out/heard1.wav" 2>/dev/null || true
run second
mv "$out/heard.wav" "$out/heard2.wav" 2>/dev/null || true
kill "$wm" 2>/dev/null || true

python3 - "$out" <<'EOF'
import glob, os, sys, urllib.parse, wave
out = sys.argv[1]
lines = []
for line in open(os.path.join(out, "double.log"), encoding="utf-8", errors="replace"):
    f = line.split(" ")
    if len(f) > 4 and f[2] in ("upcTVRead", "upcTVSetSpeed", "load", "unload"):
        what = urllib.parse.unquote(f[4]) if f[2] == "upcTVRead" else f[2] + " " + f[3]
        lines.append(f"{int(f[0]) / 1000:.1f} {f[1]} {what}")
texts = glob.glob(os.path.join(out, "cache", "zelvora", "*.txt"))
cached = open(texts[0], "rb").read() if len(texts) == 1 else b""
report = ["-- spoken"] + lines + ["-- positions"]
for line in open(os.path.join(out, "positions.txt")):
    value = line.rsplit(":", 1)[1].strip()
    at = int(value) if value.lstrip("-").isdigit() else -1
    sentence = cached[at:at + 200].split(b".\r\n")[0].strip() if at >= 0 else b""
    report.append(line.rstrip() + "  " + sentence.decode("utf-8", "replace"))
# The tempo: what one unit (M with P on) added to the WAV at speed 140 and at 200.
marks, growth = [], {}
for line in open(os.path.join(out, "timeline.txt")):
    if line.startswith("== "):
        marks.append([line[3:].strip(), None, None])
    elif marks:
        size = int(line.split()[2])
        marks[-1][1] = size if marks[-1][1] is None else marks[-1][1]
        marks[-1][2] = size
for i, (name, first, last) in enumerate(marks):
    if name.startswith("one unit at") and i > 0:
        growth[name] = marks[i][2] - marks[i - 1][2]
if growth.get("one unit at 200"):
    report.append("-- tempo: WAV bytes of one unit at 140 / at 200 = %d / %d = %.3f (2^(60/80) = 1.682)"
                  % (growth["one unit at 140"], growth["one unit at 200"],
                     growth["one unit at 140"] / growth["one unit at 200"]))
# The resumption: where the second run's first sound lies in the first run's.
def frames(name):
    try:
        w = wave.open(os.path.join(out, name))
        return w.readframes(w.getnframes()), w.getframerate()
    except (OSError, EOFError, wave.Error):
        return b"", 1
heard1, rate = frames("heard1.wav")
heard2, _ = frames("heard2.wav")
start = 0
while start < len(heard2) and heard2[start:start + 2] == b"\0\0":
    start += 2
if start < len(heard2):
    found = heard1.find(heard2[start:start + 4000])
    report.append("-- the second run's first sound is at %s s of the first run's WAV"
                  % ("%.3f" % ((found - start) / 2 / rate) if found >= 0 else "no place"))
open(os.path.join(out, "report.txt"), "w").write("\n".join(report) + "\n")
EOF
echo "try_daisy.sh: $out/report.txt, $out/timeline.txt, $out/heard1.wav, $out/heard2.wav"
