#!/usr/bin/env bash
# Runs CNeraConfigFileTest.SaveWritesIntoTheOpenedFile with its "unix" cases, which a Windows
# program cannot set up: a private file (mode 0600), a hard link, a symbolic link, and a writable
# file in a folder the user may not write in. Root may write anywhere, so under root the test
# runs as the ordinary user nera-test (scripts/setup.sh makes it), with a Wine prefix of its own
# that is made once per build tree. Afterwards it checks what Windows programs cannot see.
# Usage: save_in_place_wine.sh TEST_PROGRAM   (NERA_WIN_BUILD names the Windows build folder)
set -euo pipefail
program=$1
: "${NERA_WIN_BUILD:?NERA_WIN_BUILD must name the Windows build folder}"
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
user=nera-test

if [ "$(id -u)" -eq 0 ]; then
    if ! id -u "$user" >/dev/null 2>&1; then
        echo "save_in_place_wine.sh: no user $user; run scripts/setup.sh as root" >&2
        exit 1
    fi
    # Outside the build tree, which the user may not reach (a checkout under /root).
    dir=/var/tmp/$user/$(printf '%s' "$NERA_WIN_BUILD" | cksum | cut -d' ' -f1)
    install -d -m 755 "/var/tmp/$user"
    install -d -m 755 -o "$user" -g "$user" "$dir"
    as_user=(runuser -u "$user" -- env HOME="$dir" WINEPREFIX="$dir/wineprefix" NERA_WIN_BUILD="$dir"
        DISPLAY=)
else
    dir=$NERA_WIN_BUILD/save-in-place
    as_user=()
fi

cases=$dir/cases
if [ -d "$cases" ]; then
    chmod -R u+w "$cases"
    rm -rf "$cases"
fi
mkdir -p "$cases/locked" "$dir/bin"
bin=$(dirname "$program")
cp "$program" "$bin/Kivo5120.dll" "$bin/Q5120Common.dll" "$scripts/wine-run.sh" "$scripts/wine-env.sh" \
    "$dir/bin/"
touch "$cases/private.nera" "$cases/linked.nera" "$cases/target.nera" "$cases/locked/in.nera"
chmod 600 "$cases/private.nera"
ln "$cases/linked.nera" "$cases/other.nera"
ln -s target.nera "$cases/link.nera"
if [ "$(id -u)" -eq 0 ]; then
    chown -R "$user:$user" "$cases"
fi
chmod 555 "$cases/locked"

status=0
"${as_user[@]}" env NERA_SAVE_FIXTURES="Z:${cases//\//\\}" bash "$dir/bin/wine-run.sh" \
    "$dir/bin/$(basename "$program")" --gtest_filter=CNeraConfigFileTest.SaveWritesIntoTheOpenedFile ||
    status=$?

check() { # description, test...
    local what=$1
    shift
    if ! "$@"; then
        echo "save_in_place_wine.sh: $what" >&2
        status=1
    fi
}
check "private.nera lost its mode 0600" [ "$(stat -c %a "$cases/private.nera")" = 600 ]
check "linked.nera is no longer linked to other.nera" [ "$cases/linked.nera" -ef "$cases/other.nera" ]
check "link.nera is no longer a symbolic link" [ -L "$cases/link.nera" ]
exit "$status"
