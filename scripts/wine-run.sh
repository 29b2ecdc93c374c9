#!/usr/bin/env bash
# Runs one Windows program under the project's Wine set-up: wine-run.sh PROGRAM [ARGS...]
# Used by CTest as the cross-compiling emulator of the Windows build.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
nera_wine_prepare || exit 1
if [ "$NERA_WINE" != wine ] && [ "$(head -c 2 "$1" 2>/dev/null)" = MZ ] &&
    od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N 4 "$1") + 4 ))" -N 2 "$1" | grep -q '4c 01'; then
    echo "wine-run.sh: $1 is a 32-bit program, and this machine's kernel cannot run the 32-bit" \
        "Wine loader; run the tests of the x86_64 build instead" >&2
    exit 125
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$NERA_WINE" "$@"
fi
exec "$NERA_WINE" "$@"
