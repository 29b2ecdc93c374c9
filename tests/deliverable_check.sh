#!/usr/bin/env bash
# Checks the built programs and libraries as files, in every Windows tree, including the i686
# deliverable that this machine may not be able to run: static runtime (no MinGW DLL needed),
# device libraries bound through the import table by plain names, plain export names, and a
# manifest and version resource in each program.
# Usage: deliverable_check.sh BUILD_FOLDER (holding win32/ and win64/)
set -euo pipefail
build=${1:?build folder}
checked=0

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tree in win32 win64; do
    bin="$build/$tree/bin"
    [ -d "$bin" ] || continue
    case $tree in
        win32) objdump=i686-w64-mingw32-objdump ;;
        win64) objdump=x86_64-w64-mingw32-objdump ;;
    esac
    for file in Tesk4861Tools.exe NeraConfig.exe NeraUpdater.exe nera.exe Kivo5120.dll Q5120Common.dll; do
        [ -f "$bin/$file" ] || fail "$tree: $file was not built"
        dump=$("$objdump" -p "$bin/$file")
        if grep -qiE 'DLL Name: (libstdc\+\+|libgcc|libwinpthread)' <<<"$dump"; then
            fail "$tree/$file needs a MinGW runtime DLL"
        fi
        checked=$((checked + 1))
    done

    # The dialog programs bind both device libraries at load time, by the functions' plain names;
    # nera loads them only when a command needs them, so that it starts without them.
    for exe in NeraConfig.exe NeraUpdater.exe; do
        dump=$("$objdump" -p "$bin/$exe")
        for dll in Kivo5120.dll Q5120Common.dll; do
            grep -q "DLL Name: $dll" <<<"$dump" || fail "$tree: $exe does not import $dll"
        done
    done
    dump=$("$objdump" -p "$bin/nera.exe")
    if grep -qE "DLL Name: (Kivo5120|Q5120Common).dll" <<<"$dump"; then
        fail "$tree: nera.exe imports a device library and cannot start without it"
    fi
    dump=$("$objdump" -p "$bin/NeraConfig.exe")
    for fn in Kivo_FlshReadRWArea Kivo_FlshWriteRWArea Q5120_NeraFlashModeOpen Q5120_NeraFlashModeClose \
        Q5120_ShowProductInfo Q5120_OptionDlg2; do
        grep -qE "^\s+[0-9a-f]+\s+[0-9]+\s+$fn\$" <<<"$dump" || fail "$tree: NeraConfig.exe lacks import $fn"
    done

    # The libraries export the sixteen functions by plain names.
    exports=$("$objdump" -p "$bin/Kivo5120.dll" "$bin/Q5120Common.dll")
    for fn in Kivo_FlshReadRWArea Kivo_FlshWriteRWArea Kivo_Close Kivo_SetTimeouts Kivo_FlshEchoTest \
        Kivo_FlshReadHwVersion Kivo_FlshRead Kivo_FlshGetEraseBlk Kivo_FlshErase Kivo_FlshWrite \
        Q5120_NeraFlashModeOpen Q5120_NeraFlashModeClose Q5120_FlashModeOpen Q5120_FlashModeClose \
        Q5120_ShowProductInfo Q5120_OptionDlg2; do
        grep -qE "\]\s+$fn\$" <<<"$exports" || fail "$tree: no plain export $fn"
    done

    # Each program carries the common-controls manifest and its version strings (UTF-16).
    for exe in Tesk4861Tools.exe NeraConfig.exe NeraUpdater.exe; do
        rsrc=$(mktemp)
        "${objdump%objdump}objcopy" -O binary --only-section=.rsrc "$bin/$exe" "$rsrc"
        grep -aq "Microsoft.Windows.Common-Controls" "$rsrc" || fail "$tree/$exe has no common-controls manifest"
        grep -aqP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n' "$rsrc" || fail "$tree/$exe has no FileVersion"
        rm -f "$rsrc"
    done

    # The shipped updater carries a package: the bare program with the image and trailer appended.
    [ "$(stat -c %s "$bin/NeraUpdater.exe")" -gt "$(stat -c %s "$build/$tree/bare/NeraUpdater.exe")" ] ||
        fail "$tree: NeraUpdater.exe carries no package"
done
[ "$checked" -gt 0 ] || fail "no Windows tree found in $build"
echo "deliverable check passed: $checked files"
