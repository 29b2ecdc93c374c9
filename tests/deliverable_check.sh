#!/usr/bin/env bash
# Checks the built programs and libraries as files, in every Windows tree, including the i686
# deliverable that this machine may not be able to run: static runtime (no MinGW DLL needed),
# device libraries bound through the import table by plain names, plain export names, the
# declarations of each program's manifest and the dialog programs' version resources.
# Usage: deliverable_check.sh BUILD_FOLDER (holding win32/ and win64/)
set -euo pipefail
build=${1:?build folder}
checked=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Each program: whether it shows dialogs, and the assembly identity its manifest keeps
# (name/version, or - for none).
programs=(
    "Tesk4861Tools.exe dialog -"
    "NeraConfig.exe dialog NeraConfig/3.0.1.4"
    "NeraUpdater.exe dialog Updater/5.0.0.1"
    "nera.exe console nera/1.0.0.0"
    "nerasim.exe console -"
    "nerapack.exe console -"
)

# What every manifest declares, as XPath over the manifest's elements and namespaces.
el() { # element name, namespace: the XPath step that matches it anywhere
    echo "//*[local-name()='$1' and namespace-uri()='$2']"
}
asm3=urn:schemas-microsoft-com:asm.v3
compat=urn:schemas-microsoft-com:compatibility.v1
ws2005=http://schemas.microsoft.com/SMI/2005/WindowsSettings
ws2016=http://schemas.microsoft.com/SMI/2016/WindowsSettings
every_program=(
    "runs as the invoker|$(el requestedExecutionLevel $asm3)[@level='asInvoker' and @uiAccess='false']"
    "supports Windows 7|$(el supportedOS $compat)[@Id='{35138b9a-5d96-4fbd-8e2d-a2440225f93a}']"
    "supports Windows 8|$(el supportedOS $compat)[@Id='{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}']"
    "supports Windows 8.1|$(el supportedOS $compat)[@Id='{1f676c76-80e1-4239-95bb-83d0f6d0da78}']"
    "supports Windows 10 and 11|$(el supportedOS $compat)[@Id='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}']"
    "is long-path aware|$(el longPathAware $ws2016)[normalize-space()='true']"
)
dialog_program=(
    "uses common controls 6|$(el assemblyIdentity urn:schemas-microsoft-com:asm.v1)[@name='Microsoft.Windows.Common-Controls' and @version='6.0.0.0']"
    "is system DPI aware before Windows 10|$(el dpiAware $ws2005)[normalize-space()='true']"
    "is per-monitor (v2) DPI aware, else system aware|$(el dpiAwareness $ws2016)[translate(normalize-space(), ' ', '')='PerMonitorV2,System']"
)

# manifest_of RSRC: prints the application manifest in the resource section RSRC.
manifest_of() {
    perl -0777 -ne 'print $1 if /(<\?xml.*?<\/assembly>)/s' "$1"
}

# has MANIFEST XPATH: whether the manifest has what XPATH describes.
has() {
    [ "$(xmllint --xpath "boolean($2)" - <<<"$1")" = true ]
}

for tree in win32 win64; do
    bin="$build/$tree/bin"
    [ -d "$bin" ] || continue
    case $tree in
        win32) objdump=i686-w64-mingw32-objdump ;;
        win64) objdump=x86_64-w64-mingw32-objdump ;;
    esac
    for file in Tesk4861Tools.exe NeraConfig.exe NeraUpdater.exe nera.exe nerasim.exe nerapack.exe \
        Kivo5120.dll Q5120Common.dll; do
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

    # Each program's manifest: well-formed, its identity kept, and every declaration it needs.
    for entry in "${programs[@]}"; do
        read -r exe kind identity <<<"$entry"
        rsrc="$work/$tree-$exe.rsrc"
        "${objdump%objdump}objcopy" -O binary --only-section=.rsrc "$bin/$exe" "$rsrc"
        manifest=$(manifest_of "$rsrc")
        [ -n "$manifest" ] || fail "$tree/$exe carries no manifest"
        xmllint --noout - <<<"$manifest" 2>/dev/null || fail "$tree/$exe: the manifest is not well-formed XML"
        own="/*[local-name()='assembly']/*[local-name()='assemblyIdentity']"
        if [ "$identity" = - ]; then
            if has "$manifest" "$own"; then fail "$tree/$exe: the manifest names an assembly identity"; fi
        else
            has "$manifest" "$own[@name='${identity%/*}' and @version='${identity#*/}']" ||
                fail "$tree/$exe: the manifest's identity is not $identity"
        fi
        declarations=("${every_program[@]}")
        if [ "$kind" = dialog ]; then
            declarations+=("${dialog_program[@]}")
            # The version strings, UTF-16.
            grep -aqP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n' "$rsrc" || fail "$tree/$exe has no FileVersion"
        fi
        for d in "${declarations[@]}"; do
            has "$manifest" "${d#*|}" || fail "$tree/$exe: the manifest does not say that it ${d%%|*}"
        done
    done

    # The shipped updater carries a package: the bare program with the image and trailer appended.
    [ "$(stat -c %s "$bin/NeraUpdater.exe")" -gt "$(stat -c %s "$build/$tree/bare/NeraUpdater.exe")" ] ||
        fail "$tree: NeraUpdater.exe carries no package"
done
[ "$checked" -gt 0 ] || fail "no Windows tree found in $build"
echo "deliverable check passed: $checked files"
