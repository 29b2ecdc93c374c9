#!/usr/bin/env bash
# Sets up the machine (once) and builds the three trees:
#   $NERA_BUILD/native  portable code and its tests, built for Linux
#   $NERA_BUILD/asan    the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   $NERA_BUILD/win32   the programs (i686, the deliverable), Wine tests, test driver
#   $NERA_BUILD/win64   the same for x86_64, as a warning-free compile check
# Options: --sanitize (the native tree itself with ASan/UBSan), --no-asan, --no-setup, --no-win64.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
sanitize=OFF setup=1 win64=1 asan=1
for a in "$@"; do
    case "$a" in
        --sanitize) sanitize=ON ;;
        --no-setup) setup=0 ;;
        --no-asan) asan=0 ;;
        --no-win64) win64=0 ;;
        *) echo "build.sh: unknown option $a" >&2; exit 2 ;;
    esac
done
[ "$setup" = 1 ] && bash "$root/scripts/setup.sh"

jobs=$(nproc)
configure() { # dir, extra args...
    local dir=$1; shift
    cmake -S "$root" -B "$build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$build/$dir" -j "$jobs"
}
configure native -DNERA_SANITIZE="$sanitize"
[ "$asan" = 1 ] && configure asan -DNERA_SANITIZE=ON
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"
[ "$win64" = 1 ] && configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"

# One CTest run covers the native trees and one Windows tree: the i686 deliverable where this
# machine runs 32-bit programs under Wine, else (or with NERA_WINE_64=1) the x86_64 build of
# the same sources.
# shellcheck source=wine-env.sh
NERA_WIN_BUILD="$build/win32" . "$root/scripts/wine-env.sh"
testtree=win32
if ! nera_wine_runs_32bit; then
    testtree=win64
    if [ "$win64" = 0 ]; then
        configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
    fi
fi
{
    echo 'subdirs("native")'
    [ "$asan" = 1 ] && echo 'subdirs("asan")'
    echo "subdirs(\"$testtree\")"
} >"$build/CTestTestfile.cmake"
echo "$testtree" >"$build/windows-test-tree"
if [ "${NERA_WINE_64:-}" = 1 ]; then
    echo "build.sh: Windows tests run from $testtree (NERA_WINE_64=1)"
else
    echo "build.sh: Windows tests run from $testtree"
fi
echo "build.sh: built in $build"
