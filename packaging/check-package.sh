#!/usr/bin/env bash
# Installs the Debian packages that build-deb.sh made, checks the installed program
# and removes the packages again:
#
#   packaging/check-package.sh [build-folder=build-deb]
#
# 1. apt-get install of the main package alone, without recommends, so that its
#    dependencies come from the archive: none of the engine packages comes with it;
# 2. /usr/bin/zelvora --version prints the package's version, --list-engines
#    only espeak, and --engine NAME names the package zelvora-NAME to install;
# 3. apt-get install of the engine packages the build names (build-folder/deb-packages),
#    without recommends: --list-engines names espeak and every one of them;
# 4. the command of the desktop entry's Exec line runs on a virtual X display with
#    openbox and the espeak-ng engine writing a WAV file: the greeting must be
#    speech (sox stat: its length, loudness and rough frequency), and S must end
#    the program with status 0; the same for the Festival action's command, when
#    that engine is built, with its voice writing the WAV file;
# 5. apt-get purge of the engine packages (--list-engines is espeak again), then of
#    the main package, after which no file that any of them listed (dpkg -L) is
#    left, and none of their folders unless another package owns it or something
#    else lives in it.
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
mapfile -t packages <"$build/deb-packages"
engines=("${packages[@]:1}")
debs=()
for name in "${packages[@]}"; do
    deb=("$build/${name}"_*.deb)
    [ -f "${deb[0]}" ] && [ ${#deb[@]} -eq 1 ] || fail "no single package $name in $build"
    debs+=("${deb[0]}")
done
out=$(mktemp -d /tmp/zelvora-package.XXXXXX)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

# The engines that --list-engines must print, one a line, sorted: espeak, then
# the names given.
expect_engines() {
    local listed
    listed=$(/usr/bin/zelvora --list-engines) || return 1
    if [ "$listed" != "$(printf '%s\n' espeak "$@" | sort)" ]; then
        log "--list-engines said: $(echo $listed)"
        return 1
    fi
    log "engines: $(echo $listed)"
}

# The Exec line of a desktop entry's group ("Desktop Entry" or "Desktop Action X").
exec_line() {
    awk -v group="[$1]" '/^\[/ { inside = ($0 == group) } inside && /^Exec=/ { sub(/^Exec=/, ""); print }' \
        /usr/share/applications/cat.zelvora.Zelvora.desktop
}

# The installed program's checks; the packages are purged whatever their outcome.
installed_checks() {
    local version
    version=$(/usr/bin/zelvora --version) || return 1
    if [ "$version" != "zelvora $(dpkg-query -W -f='${Version}' zelvora)" ]; then
        log "--version said '$version'"
        return 1
    fi
    log "$version"
    for name in "${packages[@]:1}"; do
        ! installed "$name" || { log "$name came with the main package"; return 1; }
    done
    expect_engines || return 1
    # An engine asked for without its package names the package, exits 1.
    local name said
    for name in "${engines[@]}"; do
        said=$(/usr/bin/zelvora --engine "${name#zelvora-}" 2>&1 </dev/null) && return 1
        [[ "$said" == *"install the package $name"* ]] || { log "--engine ${name#zelvora-} said '$said'"; return 1; }
    done

    [ ${#engines[@]} -eq 0 ] || $sudo apt-get install -y -q --no-install-recommends "${debs[@]:1}" || return 1
    expect_engines "${engines[@]#zelvora-}" || return 1

    # Every engine package has its desktop action, starting the program with it.
    local engine
    for engine in "${engines[@]#zelvora-}"; do
        [ "$(exec_line "Desktop Action $engine")" = "zelvora --engine $engine" ] ||
            { log "no desktop action for $engine"; return 1; }
    done
    # The greeting through the entry's command and the Festival action's (the
    # speechd engine speaks through speech-dispatcher, not into the WAV file).
    local groups=("Desktop Entry") group
    [[ " ${engines[*]} " != *" zelvora-festival "* ]] || groups+=("Desktop Action festival")
    for group in "${groups[@]}"; do
        local command
        command=$(exec_line "$group")
        log "$group: $command"
        mkdir -p "$out/${group// /-}"
        xvfb-run -a -s "-screen 0 1024x768x24" "$self" --smoke "$command" "$out/${group// /-}" || return 1
    done
}

$sudo apt-get install -y -q --no-install-recommends "${debs[0]}"
checks=0
installed_checks || checks=$?
for name in "${packages[@]}"; do
    ! installed "$name" || dpkg -L "$name"
done >"$out/files"
log "installed $(wc -l <"$out/files") paths"

# The engine packages are purged first, on their own: the program still runs
# with espeak-ng alone; then the main package.
installed_engines=()
for name in "${engines[@]}"; do
    ! installed "$name" || installed_engines+=("$name")
done
if [ ${#installed_engines[@]} -gt 0 ]; then
    $sudo apt-get purge -y -q "${installed_engines[@]}"
    expect_engines || checks=1
fi
$sudo apt-get purge -y -q zelvora
for name in "${packages[@]}"; do
    ! installed "$name" || fail "$name still installed"
done
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
