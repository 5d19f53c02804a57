#!/usr/bin/env bash
# Installs the Debian package that build-deb.sh made, checks the installed program
# and removes the package again:
#
#   packaging/check-package.sh [build-folder=build-deb]
#
# 1. apt-get install of the .deb, so that its dependencies come from the archive;
# 2. /usr/bin/zelvora --version prints the package's version;
# 3. the command of the desktop entry's Exec line runs on a virtual X display with
#    openbox and the espeak-ng engine writing a WAV file: the greeting must be
#    speech (sox stat: its length, loudness and rough frequency), and S must end
#    the program with status 0;
# 4. apt-get purge, after which no file the package listed (dpkg -L) is left, and
#    none of its folders unless another package owns it or something else lives
#    in it.
# Needs root or sudo. Leaves its logs, the WAV file and a screenshot in a
# temporary folder it names.
set -euo pipefail

log() { printf 'check-package: %s\n' "$*"; }
fail() { log "FAILED: $*"; exit 1; }

# The Xvfb part, run by the outer script through xvfb-run: $1 the command, $2 the
# output folder.
smoke() {
    local command=$1 out=$2
    openbox >"$out/openbox.log" 2>&1 &
    window_manager=$!
    trap 'kill "$window_manager" 2>/dev/null || true' EXIT
    sleep 1
    mkdir -p "$out/config" "$out/runtime"
    chmod 700 "$out/runtime"
    export XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$out/runtime"
    export UPCTV_WAV_FILE="$out/greeting.wav"
    unset QT_QPA_PLATFORM LD_LIBRARY_PATH
    (cd "$out" && exec $command) >"$out/zelvora.out" 2>"$out/zelvora.err" &
    local app=$!
    local window
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^ZELVORA - ' | head -n 1) ||
        fail "no main window"
    # Two seconds of the greeting (mono, 16-bit, 22050 Hz: 88200 bytes a second).
    local waited=0
    while [ "$(stat -c %s "$UPCTV_WAV_FILE" 2>/dev/null || echo 0)" -lt $((44 + 2 * 88200)) ]; do
        [ $waited -lt 120 ] || fail "no greeting in the WAV file"
        sleep 0.5
        waited=$((waited + 1))
    done
    import -window root "$out/greeting.png"
    cp "$UPCTV_WAV_FILE" "$out/snapshot.wav"
    sox "$out/snapshot.wav" -n stat 2>"$out/stat.txt"
    cat "$out/stat.txt"
    awk -F: '
        /^Length \(seconds\)/ { length_s = $2 }
        /^RMS +amplitude/ { rms = $2 }
        /^Rough +frequency/ { freq = $2 }
        END { exit !(length_s >= 2 && rms >= 0.01 && freq >= 80 && freq <= 4000) }
    ' "$out/stat.txt" || fail "the greeting is not speech"
    xdotool windowactivate --sync "$window" key s
    local status=0
    timeout 60 tail --pid="$app" -f /dev/null || fail "S did not end the program"
    wait "$app" || status=$?
    [ "$status" -eq 0 ] || fail "exit status $status"
    log "greeting spoken, exit status 0"
}

if [ "${1:-}" = --smoke ]; then
    smoke "$2" "$3"
    exit 0
fi

self=$(realpath "$0")
build=$(realpath "${1:-build-deb}")
cd "$(dirname "$self")/.."
deb=$(ls "$build"/zelvora_*.deb)
out=$(mktemp -d /tmp/zelvora-package.XXXXXX)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive

$sudo apt-get install -y -q "$deb"
dpkg -L zelvora >"$out/files"
log "installed $(wc -l <"$out/files") paths"

# The installed program's checks; the package is purged whatever their outcome.
installed_checks() {
    local version
    version=$(/usr/bin/zelvora --version) || return 1
    if [ "$version" != "zelvora $(dpkg-query -W -f='${Version}' zelvora)" ]; then
        log "--version said '$version'"
        return 1
    fi
    log "$version"
    local command
    command=$(sed -n 's/^Exec=//p' /usr/share/applications/cat.zelvora.Zelvora.desktop)
    xvfb-run -a -s "-screen 0 1024x768x24" "$self" --smoke "$command" "$out"
}
checks=0
installed_checks || checks=$?

$sudo apt-get purge -y -q zelvora
! dpkg-query -W -f='${Status}' zelvora 2>/dev/null | grep -q installed || fail "still installed"
left=0
while IFS= read -r path; do
    if [ -d "$path" ]; then
        if ! dpkg -S "$path" >/dev/null 2>&1 && [ -z "$(ls -A "$path")" ]; then
            log "empty folder left: $path"
            left=1
        fi
    elif [ -e "$path" ] || [ -L "$path" ]; then
        log "file left: $path"
        left=1
    fi
done <"$out/files"
[ $left -eq 0 ] || fail "the purge left files behind"
[ $checks -eq 0 ] || fail "the installed program (see above and $out)"
log "purged, nothing left; output in $out"
log "passed"
