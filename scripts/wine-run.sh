#!/usr/bin/env bash
# Runs one Windows program under the project's Wine set-up: wine-run.sh PROGRAM [ARGS...]
# Used by CTest as the cross-compiling emulator of the Windows build.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
nera_wine_prepare
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec wine "$@"
