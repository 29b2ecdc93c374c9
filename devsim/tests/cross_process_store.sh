#!/usr/bin/env bash
# The native nerasim tool and a Windows program using the libraries under Wine change one
# module at the same time: the tool sets hw_code to 1, 2, ... 300 while the program runs echo
# tests (each one counts the module's fail_echo down) and reads the hardware code. Every update
# must survive: no set lost, no count-down lost or repeated, no store error in the program.
# Usage: cross_process_store.sh NATIVE_NERASIM   (NERA_WIN_BUILD names the Windows build)
set -euo pipefail
: "${NERA_WIN_BUILD:?}"
tool=${1:?native nerasim}
[ -x "$tool" ] || { echo "FAIL: no native tool at $tool (build the native tree)" >&2; exit 1; }
rounds=300
start_count=1000000

work=$(mktemp -d "${TMPDIR:-/tmp}/nerasim-cross-XXXXXX")
peer=
cleanup() {
    [ -n "$peer" ] && kill "$peer" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/peer.out" ] && { echo "--- program output:" >&2; cat "$work/peer.out" >&2; }
    exit 1
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }

store="$work/store"
"$tool" --store "$store" create m >/dev/null
"$tool" --store "$store" set m "fail_echo=$start_count" hw_code=0

export NERA_SIM_STORE NERA_SIM_LOG
NERA_SIM_STORE=$(winpath "$store")
NERA_SIM_LOG=$(winpath "$work/calls.log")
timeout 240 "$NERA_WIN_BUILD/wine-run" "$NERA_WIN_BUILD/bin/devsim_calls.exe" peer \
    "$(winpath "$work/stop")" "$(winpath "$work/ready")" 200 >"$work/peer.out" 2>&1 &
peer=$!
for _ in $(seq 1 600); do
    [ -f "$work/ready" ] && break
    kill -0 "$peer" 2>/dev/null || fail "the Windows program ended before its first calls"
    sleep 0.1
done
[ -f "$work/ready" ] || fail "the Windows program did not start within 60 s"

started=$(date +%s%N)
failed_sets=0
for i in $(seq 1 $rounds); do
    "$tool" --store "$store" set m "hw_code=$i" || failed_sets=$((failed_sets + 1))
done
finished=$(date +%s%N)
touch "$work/stop"
wait "$peer" || fail "the Windows program failed"
peer=
tr -d '\r' <"$work/peer.out" >"$work/peer.txt" && mv "$work/peer.txt" "$work/peer.out"

cat "$work/peer.out"
[ "$failed_sets" = 0 ] || fail "$failed_sets of $rounds runs of nerasim set failed"
echo_line=$(grep '^echo ' "$work/peer.out") || fail "no echo results"
hw_line=$(grep '^hw_version ' "$work/peer.out") || fail "no hardware-version results"
faults=$(sed -n 's/.* 4:\([0-9]*\).*/\1/p' <<<"$echo_line")
faults=${faults:-0}
# Only 4 (the counted fault) for echo tests and 0 for reads: a 5 or an 8 means a call saw the
# store locked for too long or half written.
[[ "$echo_line" =~ ^echo\ 4:[0-9]+$ ]] || fail "echo tests gave other results: $echo_line"
[[ "$hw_line" =~ ^hw_version\ 0:[0-9]+$ ]] || fail "hardware-version reads gave other results: $hw_line"
grep -qx 'backwards 0' "$work/peer.out" || fail "the hardware code went backwards: a set was undone"

show=$("$tool" --store "$store" show m)
left=$(sed -n 's/^fail_echo = //p' <<<"$show")
hw=$(sed -n 's/^hw_code = //p' <<<"$show")
[ "$left" = $((start_count - faults)) ] ||
    fail "fail_echo is $left after $faults counted faults from $start_count: count-downs lost or repeated"
[ "$hw" = "$(printf '0x%08X' $rounds)" ] || fail "hw_code is $hw, the last set was $rounds"
logged=$(grep -c '^Kivo_FlshEchoTest .* -> 4$' "$work/calls.log" || true)
[ "$logged" = "$faults" ] || fail "$logged echo faults logged, $faults counted"
echo "ok: $rounds sets in $(((finished - started) / 1000000)) ms while the program made $faults echo tests"
