#!/usr/bin/env bash
# A simulated production line across programs: a Windows program under Wine waits for modules
# as a line station does (it opens until it finds one and uses it until it is removed), while
# the native nerasim attaches and detaches modules. The program must see every change while it
# runs: each module attached, each one unplugged (result 3 on its open handle), none between.
# Usage: line_attach.sh NATIVE_NERASIM   (NERA_WIN_BUILD names the Windows build)
set -euo pipefail
: "${NERA_WIN_BUILD:?}"
tool=${1:?native nerasim}
[ -x "$tool" ] || { echo "FAIL: no native tool at $tool (build the native tree)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/nerasim-line-XXXXXX")
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/seen" ] && { echo "--- the program saw:" >&2; tr -d '\r' <"$work/seen" >&2; }
    exit 1
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }
nerasim() { "$tool" --store "$store" "$@"; }

# What the program has printed so far, one line each.
seen() { tr -d '\r' <"$work/seen"; }
# Waits (at most 60 s) until the program's output is exactly the lines given.
expect() {
    local want
    want=$(printf '%s\n' "$@")
    for _ in $(seq 1 600); do
        [ "$(seen)" = "$want" ] && return 0
        kill -0 "$program" 2>/dev/null || fail "the program ended; expected to see: $*"
        sleep 0.1
    done
    fail "within 60 s the program did not see: ${*: -1}"
}

store="$work/store"
nerasim create a --hw 0x40010011 >/dev/null
nerasim create b --hw 0x40010022 >/dev/null
nerasim detach

export NERA_SIM_STORE
NERA_SIM_STORE=$(winpath "$store")
timeout 240 "$NERA_WIN_BUILD/wine-run" "$NERA_WIN_BUILD/bin/devsim_calls.exe" line "$(winpath "$work/stop")" 200 \
    >"$work/seen" 2>"$work/stderr" &
program=$!

steps=("none")
expect "${steps[@]}"
nerasim attach a
steps+=("module 0x40010011")
expect "${steps[@]}"
nerasim detach
steps+=("removed" "none")
expect "${steps[@]}"
nerasim attach b
steps+=("module 0x40010022")
expect "${steps[@]}"
nerasim attach a # b is replaced without a detach between
steps+=("removed" "module 0x40010011")
expect "${steps[@]}"
nerasim first b # the line ends: a stays plugged in, the program keeps it
sleep 1
expect "${steps[@]}"

touch "$work/stop"
wait "$program" || fail "the program failed"
program=
echo "ok: the running program saw $(seen | wc -l) changes of the line"
