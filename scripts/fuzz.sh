#!/usr/bin/env bash
# Builds the libFuzzer targets (clang) in $NERA_BUILD/fuzz and runs one of them for a while,
# starting from its committed corpus (tests/fuzz/corpus/NAME, never changed here). New inputs
# go to $NERA_BUILD/fuzz/work/NAME, a finding to $NERA_BUILD/fuzz/artifacts/NAME/. The last
# lines are libFuzzer's final statistics.
# Usage: fuzz.sh [--no-build] NAME SECONDS [libFuzzer options...]
#   NAME: parsers, package, json, options or table
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}/fuzz"
if [ "${1:-}" = --no-build ]; then
    shift
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERA_FUZZ=ON -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$build" --target parsers_fuzz package_fuzz json_fuzz options_fuzz table_fuzz
fi
name=${1:?target name: parsers, package, json, options or table}
seconds=${2:?seconds}
shift 2
[ -d "$root/tests/fuzz/corpus/$name" ] || { echo "fuzz.sh: no corpus for $name" >&2; exit 2; }
mkdir -p "$build/work/$name" "$build/artifacts/$name"
exec "$build/tests/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name/" "$@" "$build/work/$name" "$root/tests/fuzz/corpus/$name"
