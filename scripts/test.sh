#!/usr/bin/env bash
# Sets up, builds and runs every test: native GoogleTest, GoogleTest under Wine, and the
# end-to-end tests that drive the real programs on a virtual display. CTest's summary is
# the last word; the exit status is non-zero when any test fails.
# Extra arguments go to ctest (for example -R launcher or -L native).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
bash "$root/scripts/build.sh"

export NERA_WIN_BUILD="$build/$(cat "$build/windows-test-tree")"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"

nera_start_xvfb
nera_wine_prepare
wineserver -p  # one wineserver for the whole run, ended below
# Start Wine's own background processes (services, desktop) now, away from CTest's output
# pipes: they live as long as the wineserver, and a test whose pipe they inherited would wait.
"$NERA_WINE" wineboot -u </dev/null >/dev/null 2>&1 || true
"$NERA_WINE" "$NERA_WIN_BUILD/bin/nera_driver.exe" </dev/null >/dev/null 2>&1 || true
cleanup() {
    wineserver -k 2>/dev/null || true
    nera_stop_xvfb
}
trap cleanup EXIT

cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
