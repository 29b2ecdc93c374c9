#!/usr/bin/env bash
# The layout check on a copy of the tree: the copy passes, and each include planted below
# (one at a time) fails it with its reason.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check="$root/tests/layout_check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

folders=()
for d in common framework devsim settings firmware batch NeraConfig NeraUpdater Tesk4861Tools cli nerapack \
    tests benchmarks; do
    [ -d "$root/$d" ] && folders+=("$d")
done
tar -C "$root" --exclude=tests/fuzz/corpus -cf - "${folders[@]}" | tar -C "$work" -xf -
bash "$check" "$work" || { echo "FAIL: the tree as it is breaks the layout"; exit 1; }

failed=0
# file | line planted at its end | what the check must say
while IFS='|' read -r file line reason; do
    [ -n "$file" ] || continue
    target="$work/$file"
    saved=$(mktemp)
    existed=0
    if [ -f "$target" ]; then existed=1; cp -p "$target" "$saved"; fi
    printf '%s\n' "$line" >>"$target"
    if out=$(bash "$check" "$work" 2>&1); then
        echo "FAIL: $file + $line passed the check"
        failed=1
    elif ! grep -qF -- "$reason" <<<"$out"; then
        echo "FAIL: $file + $line: expected \"$reason\", got: $out"
        failed=1
    fi
    if [ "$existed" = 1 ]; then cp -p "$saved" "$target"; else rm -f "$target"; fi
    rm -f "$saved"
done <<'ROWS'
cli/NeraCommand.cpp|#include "NeraConfig/resource.h"|a face (cli/) may not include another face (NeraConfig/)
NeraUpdater/KivoWriterDlg_win.cpp|#include "cli/NeraCommand.h"|a face (NeraUpdater/) may not include another face (cli/)
settings/ConfigSession.cpp|#include "cli/NeraOptions.h"|an engine (settings/) may not include a face (cli/)
firmware/UpdaterSequence.h|#include "NeraUpdater/KivoWriterDlg_win.h"|may not include Windows code
firmware/Des.cpp|#include <windows.h>|firmware/ is portable
settings/NeraSettings.h|#include "common/SystemPath_win.h"|settings/ is a portable engine and may not include Windows code
firmware/Des_win.cpp|// a Windows binding inside an engine|its Windows binding belongs in a face or common/
common/HexText.cpp|#include "settings/NeraSettings.h"|common/ may not include settings/
common/HexText.h|#include <winsock2.h>|common/ is portable
devsim/SimBytes.cpp|#include "framework/Dialog_win.h"|devsim/ may not include framework/
settings/SettingsFile.cpp|#include "firmware/Des.h"|settings/ may not include firmware/
NeraConfig/NeraConfigDlg_win.cpp|#include "SettingsEditor.h"|an include names the folder
ROWS

if [ "$failed" = 0 ]; then
    echo "layout check: every planted include was refused"
fi
exit "$failed"
