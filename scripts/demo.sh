#!/usr/bin/env bash
# Sets up, builds and starts the launcher with a simulated module. On a machine without a
# display it runs under a virtual display, saves a picture of the launcher window and prints
# its path.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
bash "$root/scripts/build.sh"

tree=$(cat "$build/windows-test-tree")
export NERA_WIN_BUILD="$build/$tree"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
nera_wine_prepare

# The simulated module lives in a store of the demo's own; the device libraries make a default
# module there on first use, and build/native/bin/nerasim --store shows or changes it.
export NERA_SIM_STORE="$build/demo-store"

bin="$NERA_WIN_BUILD/bin"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "demo: starting Tesk4861Tools (close its window to end)"
    cd "$bin" && exec "$NERA_WINE" "$bin/Tesk4861Tools.exe"
fi

nera_start_xvfb
trap 'wineserver -k 2>/dev/null || true; nera_stop_xvfb' EXIT
shot="$build/demo-launcher.png"
script="$NERA_WIN_BUILD/demo-driver.txt"
cat >"$script" <<SCRIPT
start "Z:${bin//\//\\}\\Tesk4861Tools.exe"
window
title Tesk4861Tools
shot Z:${NERA_WIN_BUILD//\//\\}\\demo-launcher.bmp
close
exited
SCRIPT
(cd "$bin" && "$NERA_WINE" "$bin/nera_driver.exe" "Z:${script//\//\\}")
convert "$NERA_WIN_BUILD/demo-launcher.bmp" "$shot"
echo "demo: no display here; the launcher ran on a virtual display. Picture: $shot"
