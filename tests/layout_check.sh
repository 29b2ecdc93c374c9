#!/usr/bin/env bash
# Checks the includes of every source file against the layout of the tree:
#   floor 1  common/                      the standard library; its _win files also Windows
#   floor 2  framework/, devsim/          common
#   floor 2  engines: settings/, firmware/, batch/
#                                         common and a lower engine (batch: settings, firmware);
#                                         never a Windows header or a _win file
#   floor 3  faces: NeraConfig/, NeraUpdater/, Tesk4861Tools/, cli/, nerapack/
#                                         common, framework, the engines; never another face
# A folder's tests/ may also include the simulated module (devsim/) and the framework's
# scripted answers; tests/ and benchmarks/ at the top may include anything. Every include of a
# project file names its folder ("settings/ConfigSession.h").
# Usage: layout_check.sh [ROOT]; prints one line per breach and exits 1 when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
cd "$root"

folders=()
for d in common framework devsim settings firmware batch NeraConfig NeraUpdater Tesk4861Tools cli nerapack \
    tests benchmarks; do
    [ -d "$d" ] && folders+=("$d")
done
status=0
find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.rc' -o -name '*.in' \) \
    -not -path 'tests/fuzz/corpus/*' -print0 | sort -z |
    xargs -0 awk '
BEGIN {
    floor["common"] = "common"
    floor["framework"] = floor["devsim"] = "lower"
    floor["settings"] = floor["firmware"] = floor["batch"] = "engine"
    floor["NeraConfig"] = floor["NeraUpdater"] = floor["Tesk4861Tools"] = floor["cli"] = floor["nerapack"] = "face"
    floor["tests"] = floor["benchmarks"] = "any"
    # What each folder may include besides itself.
    allowed["common"] = ""
    allowed["framework"] = allowed["devsim"] = allowed["settings"] = allowed["firmware"] = " common "
    allowed["batch"] = " common settings firmware "
    allowed["NeraConfig"] = allowed["NeraUpdater"] = allowed["Tesk4861Tools"] = allowed["cli"] = \
        allowed["nerapack"] = " common framework settings firmware batch "
    windows = "^(windows|win[a-z0-9_]*|commctrl|commdlg|shlobj|shellapi|shlwapi|rpc|objbase|ole2|knownfolders|bcrypt|ws2tcpip|winsock2)\\.h$"
    bad = 0
}
function breach(why) {
    printf "%s:%d: %s: %s\n", FILENAME, FNR, $0, why
    bad = 1
}
FNR == 1 {
    n = split(FILENAME, part, "/")
    top = part[1]
    intests = FILENAME ~ /\/tests\//
    win = FILENAME ~ /_win[._]/
    if (floor[top] == "engine" && win && !intests) {
        printf "%s: %s/ is a portable engine: its Windows binding belongs in a face or common/\n", FILENAME, top
        bad = 1
    }
}
/^[ \t]*#[ \t]*include[ \t]*</ {
    header = $0
    sub(/^[^<]*</, "", header)
    sub(/>.*/, "", header)
    if (tolower(header) ~ windows && (floor[top] == "engine" || top == "common") && !win) {
        breach(top "/ is portable: only its _win files (in common/, or an engine'"'"'s tests) may use Windows")
    }
    next
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    path = $0
    sub(/^[^"]*"/, "", path)
    sub(/".*/, "", path)
    slash = index(path, "/")
    target = slash ? substr(path, 1, slash - 1) : ""
    if (!(target in floor)) {
        breach("an include names the folder of the file it includes, from the top of the tree")
        next
    }
    if (floor[top] == "engine" && path ~ /_win[._]/ && !(intests && win)) {
        breach(top "/ is a portable engine and may not include Windows code")
        next
    }
    if (top == target || floor[top] == "any") {
        next
    }
    if (intests && (target == "devsim" || path ~ /^framework\/testing\//)) {
        next
    }
    if (index(allowed[top], " " target " ") == 0) {
        if (floor[top] == "face" && floor[target] == "face") {
            breach("a face (" top "/) may not include another face (" target "/)")
        } else if (floor[top] == "engine" && floor[target] == "face") {
            breach("an engine (" top "/) may not include a face (" target "/)")
        } else {
            breach(top "/ may not include " target "/ (see the layout in docs/development.md)")
        }
    }
}
END { exit bad }
' || status=1
exit $status
