#!/usr/bin/env bash
# Sets up, builds what the demonstration runs and starts the launcher with a simulated module.
# On a machine without a display it runs under a virtual display, saves a picture of the
# launcher window and prints its path. Only the programs, the device libraries and the test
# driver of one Windows tree are built (the i686 deliverable where this machine runs 32-bit
# programs, else the x86_64 build), and the native nerasim: no tests, no other trees.
# Options: --no-setup (skip scripts/setup.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
setup=1
for a in "$@"; do
    case "$a" in
        --no-setup) setup=0 ;;
        *) echo "demo.sh: unknown option $a" >&2; exit 2 ;;
    esac
done
[ "$setup" = 0 ] || bash "$root/scripts/setup.sh"

# shellcheck source=wine-env.sh
NERA_WIN_BUILD="$build/win32" . "$root/scripts/wine-env.sh"
if nera_wine_runs_32bit; then tree=win32 toolchain=i686; else tree=win64 toolchain=x86_64; fi
build_targets() { # tree, cmake arguments..., --, targets...
    local dir="$build/$1" args=()
    shift
    while [ "$1" != -- ]; do args+=("$1"); shift; done
    shift
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target "$@"
}
build_targets native -- nerasim
build_targets "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" -- \
    Tesk4861Tools NeraConfig NeraUpdater_bare_package nera Kivo5120 Q5120Common nera_driver

export NERA_WIN_BUILD="$build/$tree"
export WINEPREFIX="$NERA_WIN_BUILD/wineprefix"
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
