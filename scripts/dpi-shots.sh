#!/usr/bin/env bash
# Pictures of the three dialogs at 96 and 144 DPI, to compare by eye that they lay out alike,
# only larger: the start-up end-to-end cases of the launcher, NeraConfig and NeraUpdater run
# once in the build's Wine prefix (96 DPI) and once in a copy of it set to 144 DPI, so the
# test prefix itself stays at 96 DPI. The end-to-end checks of those cases apply at both.
# Usage: dpi-shots.sh [WINDOWS_BUILD_FOLDER]   (default: the tree build/windows-test-tree names)
# Pictures: WINDOWS_BUILD_FOLDER/screenshots/dpi-96/ and dpi-144/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
NERA_WIN_BUILD=$(cd "${1:-$build/$(cat "$build/windows-test-tree")}" && pwd)
export NERA_WIN_BUILD
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
nera_wine_prepare
base=$WINEPREFIX
scaled="$NERA_WIN_BUILD/wineprefix-144dpi"

nera_start_xvfb
trap nera_stop_xvfb EXIT
for dpi in 96 144; do
    export WINEPREFIX=$base
    if [ "$dpi" != 96 ]; then
        WINEPREFIX=$base wineserver -w
        rm -rf "$scaled"
        cp -a "$base" "$scaled"
        WINEPREFIX=$scaled
        "$NERA_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
        wineserver -w
    fi
    export NERA_SHOTS="$NERA_WIN_BUILD/screenshots/dpi-$dpi"
    mkdir -p "$NERA_SHOTS"
    bash "$root/tests/e2e/launcher_e2e.sh" default
    bash "$root/tests/e2e/launcher_e2e.sh" about
    bash "$root/tests/e2e/neraconfig_e2e.sh" start
    bash "$root/tests/e2e/neraupdater_e2e.sh" start
    wineserver -k 2>/dev/null || true
done
echo "dpi-shots.sh: pictures in $NERA_WIN_BUILD/screenshots/dpi-96 and dpi-144"
