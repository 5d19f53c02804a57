#!/usr/bin/env bash
# Builds the Debian package in a fresh build folder, with Debian's optimisation
# and hardening flags, and checks it and the files it carries:
#
#   packaging/build-deb.sh [build-folder=build-deb]      (what `make deb` runs)
#
# Only the program, its engines and the files it installs are built (target
# `installables`), not the tests. The package is left as
# build-folder/zelvora_<version>_<arch>.deb. Checks: desktop-file-validate,
# appstreamcli validate-tree --no-net --strict and the manual pages' rendering must report
# nothing; lintian must report no error (its warnings are printed; the README
# lists the ones kept).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

scripts/install-deps.sh packaging
rm -rf "$build"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
generator="Unix Makefiles"
command -v ninja >/dev/null 2>&1 && generator=Ninja
cmake -S . -B "$build" -G "$generator" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DCMAKE_STRIP="$PWD/packaging/strip.sh" \
  -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS"
cmake --build "$build" -j "$(nproc)" --target installables
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/zelvora_*.deb)

fail() { printf 'build-deb: FAILED: %s\n' "$*" >&2; exit 1; }
desktop-file-validate packaging/cat.zelvora.Zelvora.desktop | tee "$build/desktop.log"
[ ! -s "$build/desktop.log" ] || fail "desktop-file-validate"
# The metadata checked together with the installed desktop entry and icons.
DESTDIR="$(realpath "$build")/tree" cmake --install "$build" >/dev/null
appstreamcli validate-tree --no-net --strict "$build/tree"
for page in packaging/man/*.1; do
  MANWIDTH=80 man --warnings -l "$page" 2>"$build/man.log" >/dev/null
  [ ! -s "$build/man.log" ] || { cat "$build/man.log"; fail "man page $page"; }
done
lintian --fail-on error --display-info "$deb"
printf 'build-deb: %s, %s bytes\n' "$deb" "$(stat -c %s "$deb")"
