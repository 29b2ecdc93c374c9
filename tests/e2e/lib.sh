# Sourced by the end-to-end tests: runs the test driver under the project's Wine set-up and
# keeps the pictures it takes.
set -Eeuo pipefail
: "${NERA_WIN_BUILD:?}"
# A command that fails outside a check ends the test (set -e), also inside a function: name its
# line and the calls that led there, or the test ends without a word. (Not where set -e is off, as
# in a command substitution, and once only, in the test's own shell.)
e2e_ended() { # line
    local text i
    text="${BASH_SOURCE[1]##*/} line $1: $(sed -n "$1s/^ *//p" "${BASH_SOURCE[1]}")"
    for ((i = 1; i < ${#FUNCNAME[@]} - 1; i++)); do
        text+=", in ${FUNCNAME[i]} called at ${BASH_SOURCE[i + 1]##*/} line ${BASH_LINENO[i]}"
    done
    echo "FAIL: ended by $text" >&2
}
trap '[[ $- != *e* || $BASH_SUBSHELL != 0 ]] || e2e_ended $LINENO' ERR
NERA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BIN="$NERA_WIN_BUILD/bin"
# Pictures go among the build's screenshots, or where NERA_SHOTS says (scripts/dpi-shots.sh).
SHOTS="${NERA_SHOTS:-$NERA_WIN_BUILD/screenshots}"
mkdir -p "$SHOTS"

# A fresh work folder for one test.
e2e_workdir() {
    local dir="$NERA_WIN_BUILD/e2e/$1"
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "$dir"
}

# The Windows path Wine gives a Linux path (drive Z: is the root).
winpath() {
    printf 'Z:%s' "${1//\//\\}"
}

# Runs a driver script (read from standard input) in the given folder.
drive() {
    local dir=$1 script
    script="$dir/driver-$RANDOM.txt"
    cat >"$script"
    (cd "$dir" && "$NERA_WIN_BUILD/wine-run" "$BIN/nera_driver.exe" "$(winpath "$script")")
}

# Converts a picture the driver saved to PNG among the build's screenshots.
keep_shot() {
    convert "$1" "$SHOTS/$2.png"
    echo "screenshot: $SHOTS/$2.png"
}

# Waits (bounded) until a file holds a line; prints the file when it does not.
wait_for_line() {
    local file=$1 line=$2 i
    for i in $(seq 1 100); do
        if [ -f "$file" ] && grep -qxF -- "$line" "$file"; then
            return 0
        fi
        sleep 0.1
    done
    echo "missing line: $line" >&2
    echo "--- $file:" >&2
    cat "$file" >&2 2>/dev/null || true
    return 1
}

# The module's flash holds the demonstration image in the two ranges the updater writes, with
# the module's hardware code (8 hex digits) stamped into the version record at 0x8004.
expect_demo_image_in_flash() { # store, module, hardware code
    local expected="$work/expected.bin" code=$3
    "$NERA_WIN_BUILD/../native/bin/nerapack" demo-image "$expected" >/dev/null
    printf "\\x${code:0:2}\\x${code:2:2}\\x${code:4:2}\\x${code:6:2}" |
        dd of="$expected" bs=1 seek=$((0x8004)) conv=notrunc status=none
    "$NERA_WIN_BUILD/../native/bin/nerasim" --store "$1" compare-flash "$2" 0 "$expected" --length 0x1000 >/dev/null ||
        fail "flash 0x0000-0x0FFF differs from the image"
    "$NERA_WIN_BUILD/../native/bin/nerasim" --store "$1" compare-flash "$2" 0x8000 "$expected" --offset 0x8000 \
        >/dev/null || fail "flash from 0x8000 differs from the image"
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
