#!/usr/bin/env bash
# Four programs open a simulated module at the same moment on a store folder that does not
# exist yet (nor its parent): every open must find a module, the store must then hold module1
# alone, and nothing of its making may stay beside it. Each round starts four separate
# processes on a new store; they wait for one start file, so that their opens meet.
# Usage: new_store_race.sh ROUNDS NATIVE_PROBE NERASIM [WINDOWS_PROGRAM]
#   NATIVE_PROBE is devsim_open_probe, NERASIM the native nerasim. With WINDOWS_PROGRAM
#   (devsim_calls.exe; NERA_WIN_BUILD names its build) the four are Windows programs under Wine
#   in odd rounds, and two native and two Windows programs in even rounds.
set -euo pipefail
rounds=${1:?rounds}
probe=${2:?native devsim_open_probe}
nerasim=${3:?native nerasim}
windows=${4:-}
for tool in "$probe" "$nerasim"; do
    [ -x "$tool" ] || { echo "FAIL: no native program $tool (build the native tree)" >&2; exit 1; }
done
[ -z "$windows" ] || : "${NERA_WIN_BUILD:?NERA_WIN_BUILD must name the Windows build}"

work=$(mktemp -d "${TMPDIR:-/tmp}/nerasim-newstore-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
opens=0
for round in $(seq 1 "$rounds"); do
    dir="$work/round$round"
    store="$dir/store"
    go="$work/go$round"
    pids=()
    for p in 1 2 3 4; do
        ready="$work/ready$round.$p"
        if [ -n "$windows" ] && { [ $((round % 2)) = 1 ] || [ "$p" -gt 2 ]; }; then
            NERA_SIM_STORE=$(winpath "$store") timeout 120 "$NERA_WIN_BUILD/wine-run" "$windows" open \
                "$(winpath "$ready")" "$(winpath "$go")" >"$work/out$round.$p" 2>&1 &
        else
            NERA_SIM_STORE=$store timeout 120 "$probe" "$ready" "$go" >"$work/out$round.$p" 2>&1 &
        fi
        pids+=($!)
    done
    for _ in $(seq 1 600); do
        [ "$(find "$work" -maxdepth 1 -name "ready$round.*" | wc -l)" = 4 ] && break
        sleep 0.1
    done
    touch "$go"
    for p in 1 2 3 4; do
        opens=$((opens + 1))
        if ! wait "${pids[$((p - 1))]}"; then
            failed=$((failed + 1))
            echo "round $round, program $p: $(tr -d '\r' <"$work/out$round.$p")" >&2
        fi
    done
    pids=()
    modules=$("$nerasim" --store "$store" list | tr -d '\r')
    [ "$modules" = module1 ] || { echo "FAIL: round $round: the store holds: $modules" >&2; exit 1; }
    beside=$(ls -A "$dir")
    [ "$beside" = store ] || { echo "FAIL: round $round: beside the store: $beside" >&2; exit 1; }
done
echo "$opens opens in $rounds rounds, $failed failed"
[ "$failed" = 0 ] || { echo "FAIL: $failed of $opens opens found no module" >&2; exit 1; }
