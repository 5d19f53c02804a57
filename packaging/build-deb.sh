#!/usr/bin/env bash
# Builds the Debian packages in a fresh build folder, with Debian's optimisation
# and hardening flags, and checks them and the files they carry:
#
#   packaging/build-deb.sh [build-folder=build-deb]      (what `make deb` runs)
#
# Only the program, its engines and the files it installs are built (target
# `installables`), not the tests. The packages are left in the build folder:
# zelvora_<version>_<arch>.deb and one zelvora-<engine>_<version>_<arch>.deb per
# engine built beside the espeak-ng one (speechd, and festival when festival-dev
# is installed). Checks: desktop-file-validate, appstreamcli validate-tree --no-net
# --strict and the manual pages' rendering must report nothing; lintian must report
# no error on any package (its warnings are printed; docs/packaging.md lists the ones kept).
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

fail() { printf 'build-deb: FAILED: %s\n' "$*" >&2; exit 1; }
desktop-file-validate "$build/packaging/cat.zelvora.Zelvora.desktop" | tee "$build/desktop.log"
[ ! -s "$build/desktop.log" ] || fail "desktop-file-validate"
# The metadata checked together with the installed desktop entry and icons.
DESTDIR="$(realpath "$build")/tree" cmake --install "$build" >/dev/null
appstreamcli validate-tree --no-net --strict "$build/tree"
for page in packaging/man/*.1; do
  MANWIDTH=80 man --warnings -l "$page" 2>"$build/man.log" >/dev/null
  [ ! -s "$build/man.log" ] || { cat "$build/man.log"; fail "man page $page"; }
done
# The packages the build names (packaging/EnginePackages.cmake), and no others.
debs=()
while read -r name; do
  deb=("$build/${name}"_*.deb)
  [ -f "${deb[0]}" ] && [ ${#deb[@]} -eq 1 ] || fail "no single package $name in $build"
  debs+=("${deb[0]}")
done <"$build/deb-packages"
[ "$(ls "$build"/*.deb | wc -l)" -eq ${#debs[@]} ] || fail "packages that $build/deb-packages does not name"
for deb in "${debs[@]}"; do
  lintian --fail-on error --display-info "$deb"
done
for deb in "${debs[@]}"; do
  printf 'build-deb: %s, %s bytes, Installed-Size %s KiB\n' "$deb" "$(stat -c %s "$deb")" \
    "$(dpkg-deb -f "$deb" Installed-Size)"
done
