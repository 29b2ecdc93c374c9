#!/usr/bin/env bash
# End-to-end test of the release. Usage: release_e2e.sh CASE
#   chm           both help files compile and unpack again, marked as holding double-byte text;
#                 every entry of their contents and keyword index names a page (and an anchor)
#                 that the file holds; each line of the guide's keyword list is an index entry,
#                 and one that names a section points at that section's anchor
#   package       the packaged programs are stripped and name their symbol files, the zip holds
#                 what the installer holds and its readme, and stays under 4 MB
#   sign          a throwaway certificate signs every program, DLL and the installer, and
#                 osslsigncode verifies each file against it, and no longer once a byte of the
#                 updater's package changes; the signed nera updates a simulated module with the
#                 signed updater's package, and the signed NeraUpdater.exe starts with it
#   reproducible  a second build of the same sources in another folder gives the same files
#   msi           the installer under Wine, in a prefix of its own: install, the installed programs,
#                 help and guide, nera on PATH, refused downgrades (also in the fourth field), a
#                 repair, an upgrade in place, uninstall, the device libraries left out
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "release-$case_name")
tree=$NERA_WIN_BUILD
programs="Kivo5120.dll NeraConfig.exe NeraUpdater.exe Q5120Common.dll Tesk4861Tools.exe nera.exe nerasim.exe"
case "$(basename "$tree")" in
    win64) tools=x86_64-w64-mingw32 ;;
    *) tools=i686-w64-mingw32 ;;
esac
objcopy=$tools-objcopy
sections() { # file: the names of its sections
    "$tools-objdump" -h "$1" | awk '$1 ~ /^[0-9]+$/ { print $2 }'
}

# The page and anchor of every entry of a sitemap file (contents or index) exist in the
# unpacked help file.
check_sitemap() { # unpacked folder, sitemap file, fewest entries
    local dir=$1 file=$2 locals page anchor
    locals=$(grep -o 'name="Local" value="[^"]*"' "$dir/$file" | sed 's/.*value="//; s/"$//')
    [ "$(wc -l <<<"$locals")" -ge "$3" ] || fail "$file lists only: $locals"
    for local in $locals; do
        page=${local%%#*} anchor=${local#"$page"}
        [ -s "$dir/$page" ] || fail "$file names $page, which the help file lacks"
        [ -z "$anchor" ] || grep -qF "id=\"${anchor#\#}\"" "$dir/$page" || fail "$file names $local, which $page lacks"
    done
}

case "$case_name" in
chm)
    bash "$NERA_ROOT/scripts/build-help.sh" "$work" >/dev/null
    # help file, fewest contents entries, fewest keywords, a contents entry in code page 932
    while read -r chm contents keywords text; do
        dir="$work/${chm%.*}"
        chmls extractall "$work/$chm" "$dir" >/dev/null 2>&1
        check_sitemap "$dir" toc.hhc "$contents"
        check_sitemap "$dir" index.hhk "$keywords"
        system=$(chmls printsystem "$work/$chm" 2>/dev/null | tr -d '\0')
        grep '^(2) *Default topic.*:index.htm' >/dev/null <<<"$system" || fail "$chm: the first page is not index.htm"
        grep '^(1) *Index file.*:index.hhk' >/dev/null <<<"$system" || fail "$chm: no keyword index"
        grep '^ *One if DBCS in use *: *1$' >/dev/null <<<"$system" || fail "$chm: not marked as double-byte text"
        # The viewer reads the contents and the index in the file's code page.
        iconv -f CP932 -t UTF-8 "$dir/toc.hhc" | grep -F "$text" >/dev/null || fail "$chm: the contents are not in code page 932"
        iconv -f CP932 -t UTF-8 "$dir/index.hhk" >/dev/null || fail "$chm: the index is not in code page 932"
    done <<'TABLE'
NeraConfig.CHM 8 25 フラッシュ書換えモードでの起動方法
NeraTools.chm 20 30 シミュレーションモジュールと nerasim
TABLE
    # The guide's keyword list, line by line, in the compiled index: "page" points at the page,
    # "page#sN" at the N-th section's anchor, "page#Heading" at the anchor of that heading.
    index=$(iconv -f CP932 -t UTF-8 "$work/NeraTools/index.hhk")
    grep -v '^#' "$NERA_ROOT/help/NeraTools/keywords.txt" | while IFS=$'\t' read -r keyword place; do
        [ -n "$keyword" ] || continue
        found=$(grep -F "<param name=\"Name\" value=\"$keyword\">" <<<"$index" | sed 's/.*"Local" value="//; s/".*//')
        anchor=${found#*#} section=${place#*#}
        heading=$(sed -n "s/^<h2 id=\"$anchor\">\(.*\)<\/h2>\$/\1/p" "$work/NeraTools/${found%%#*}" 2>/dev/null)
        [ "${found%%#*}" = "${place%%#*}" ] && { [ "$found" = "$place" ] || [ "$heading" = "$section" ]; } ||
            fail "index entry $keyword points at ${found:-nothing} (section \"$heading\"), not at $place"
    done
    for page in "$NERA_ROOT"/help/NeraConfig/*.htm; do
        grep -qF "value=\"$(basename "$page")\"" "$work/NeraConfig/toc.hhc" || fail "$(basename "$page") is in no contents entry"
    done
    # Every chapter of the guide is a page of its own, with its pictures, links between chapters
    # pointing at pages of the help file.
    for md in "$NERA_ROOT"/docs/guide/*.md; do
        page=$(basename "${md%.md}").htm
        [ "$page" != README.htm ] || page=index.htm
        grep -qF "value=\"$page\"" "$work/NeraTools/toc.hhc" || fail "chapter $(basename "$md") is in no contents entry"
    done
    for ref in $(grep -oh '\(src\|href\)="[^":#]*' "$work"/NeraTools/*.htm | sed 's/.*="//' | sort -u); do
        [ -s "$work/NeraTools/$ref" ] || fail "the guide refers to $ref, which the help file lacks"
    done
    exit 0
    ;;
package)
    bash "$NERA_ROOT/scripts/release.sh" --tree "$tree" --out "$work/out" --version 1.4.0.1 --no-build >/dev/null
    mkdir "$work/zip"
    (cd "$work/zip" && unzip -q "$work/out/NeraTools-1.4.0.1.zip")
    [ "$(cd "$work/zip/NeraTools" && ls | xargs)" = "$(echo $programs NeraConfig.CHM NeraTools.chm readme.txt | xargs -n1 | LC_ALL=C sort | xargs)" ] ||
        fail "the zip holds: $(ls "$work/zip/NeraTools")"
    zip_size=$(stat -c %s "$work/out/NeraTools-1.4.0.1.zip")
    echo "zip: $zip_size bytes"
    [ "$zip_size" -lt 4000000 ] || fail "the zip has $zip_size bytes"
    # Each packaged program has no debugging sections and names its symbol file by name and CRC.
    for f in $programs; do
        packaged="$work/zip/NeraTools/$f" debug="$work/out/symbols/$f.debug"
        ! grep -q '^\.debug_' <<<"$(sections "$packaged")" || fail "$f still has its debugging sections"
        grep -qx '\.debug_info' <<<"$(sections "$debug")" || fail "$f.debug has no debugging sections"
        # (objcopy given no output file would rewrite the packaged one.)
        rm -f "$work/link"
        "$objcopy" --dump-section .gnu_debuglink="$work/link" "$packaged" "$work/scratch" 2>/dev/null
        [ -s "$work/link" ] || fail "$f names no symbol file"
        head -c "$((${#f} + 6))" "$work/link" | cmp -s - <(printf '%s.debug' "$f") || fail "$f names $(head -c 40 "$work/link")"
        crc=$(gzip -c "$debug" | tail -c 8 | head -c 4 | od -An -tx4 | tr -d ' ')
        [ "$(tail -c 4 "$work/link" | od -An -tx4 | tr -d ' ')" = "$crc" ] || fail "$f names another $f.debug"
    done
    # The updater still carries its firmware package (image and trailer, N + 20 bytes) as its
    # last bytes, and ends on a multiple of 8 bytes, so that a signature would follow the trailer.
    updater="$work/zip/NeraTools/NeraUpdater.exe"
    read -r b2 b1 b0 < <(od -An -tu1 -j "$(($(stat -c %s "$updater") - 3))" -N 3 "$updater")
    package=$((b2 * 65536 + b1 * 256 + b0 + 20))
    cmp -s <(tail -c "$package" "$tree/bin/NeraUpdater.exe") <(tail -c "$package" "$updater") ||
        fail "NeraUpdater.exe lost its package"
    [ $(($(stat -c %s "$updater") % 8)) = 0 ] || fail "NeraUpdater.exe is $(stat -c %s "$updater") bytes, no multiple of 8"
    grep -q 'nera' <(iconv -f UTF-8 -t UTF-8 "$work/zip/NeraTools/readme.txt") || fail "no readme in the zip"
    grep -qF 'PATH' "$work/zip/NeraTools/readme.txt" || fail "the readme does not say how to put nera on PATH"
    exit 0
    ;;
sign)
    # A throwaway self-signed code-signing certificate.
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
        -subj "/CN=Nera Tools test" -addext extendedKeyUsage=codeSigning 2>/dev/null
    openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" -passout pass:throwaway
    # No time-stamp server answers on the discard port: the signatures go without a time stamp.
    out=$(NERA_SIGN_PASSWORD=throwaway NERA_SIGN_TIMESTAMP=http://127.0.0.1:9/ bash "$NERA_ROOT/scripts/release.sh" \
        --tree "$tree" --out "$work/out" --version 1.4.0.1 --no-build --sign "$work/test.pfx")
    ! grep -F 'not signed' <<<"$out" || fail "release.sh signed nothing"
    grep -F 'without a time stamp' >/dev/null <<<"$out" || fail "no note of the missing time stamp: $out"
    ! grep -rF throwaway "$work/out" || fail "the password is in the release"
    mkdir "$work/zip"
    (cd "$work/zip" && unzip -q "$work/out/NeraTools-1.4.0.1.zip")
    for f in $programs "../../out/NeraTools-1.4.0.1.msi"; do
        osslsigncode verify -CAfile "$work/cert.pem" -in "$work/zip/NeraTools/$f" >"$work/verify.txt" 2>&1 ||
            fail "$f: $(cat "$work/verify.txt")"
    done
    app="$work/zip/NeraTools" updater="$work/zip/NeraTools/NeraUpdater.exe"

    # The signature covers the package in front of its table (where the unsigned file ended): a
    # byte changed in the image or in the trailer fails the verification.
    osslsigncode remove-signature -in "$updater" -out "$work/unsigned.exe" >/dev/null
    table=$(stat -c %s "$work/unsigned.exe")
    for offset in $((table - 20 - 1000)) $((table - 10)); do
        cp "$updater" "$work/changed.exe"
        printf '\x5a' | dd of="$work/changed.exe" bs=1 seek="$offset" conv=notrunc status=none
        cmp -s "$updater" "$work/changed.exe" && printf '\xa5' | dd of="$work/changed.exe" bs=1 seek="$offset" conv=notrunc status=none
        ! osslsigncode verify -CAfile "$work/cert.pem" -in "$work/changed.exe" >"$work/verify.txt" 2>&1 ||
            fail "a byte changed at $offset of NeraUpdater.exe still verifies"
        grep -q 'digest.*MISMATCH' "$work/verify.txt" || fail "a byte changed at $offset: $(cat "$work/verify.txt")"
    done

    # The signed programs use what they carry: nerapack reads the signed updater's package, the
    # signed nera writes it into a simulated module, and the signed NeraUpdater.exe opens its window
    # with the package's version.
    "$NERA_WIN_BUILD/../native/bin/nerapack" check "$updater" | grep -qF 'version 5.7.1, image 87936 bytes' ||
        fail "nerapack does not read the signed updater's package"
    store="$work/store"
    "$NERA_WIN_BUILD/../native/bin/nerasim" --store "$store" create unit1 >/dev/null
    export NERA_SIM_STORE
    NERA_SIM_STORE=$(winpath "$store")
    set +e
    (cd "$work" && "$NERA_WIN_BUILD/wine-run" "$app/nera.exe" update --yes >out.raw 2>err.raw </dev/null)
    status=$?
    set -e
    [ "$status" = 0 ] || fail "nera update: exit status $status: $(iconv -f CP932 -t UTF-8 "$work/err.raw")"
    expect_demo_image_in_flash "$store" unit1 40010001
    "$NERA_WIN_BUILD/../native/bin/nerasim" --store "$store" show unit1 | grep -qxF 'firmware = 5.7.1' ||
        fail "the module does not report 5.7.1"
    drive "$work" <<SCRIPT
start "$(winpath "$updater")"
window
title Nera5120 Firmware Updater
text 1001 5.7.1
shot $(winpath "$work")\\signed-neraupdater.bmp
close
exited
SCRIPT
    keep_shot "$work/signed-neraupdater.bmp" release-signed-neraupdater

    # Without --sign nothing is signed, and the script says so.
    out=$(bash "$NERA_ROOT/scripts/release.sh" --tree "$tree" --out "$work/plain" --version 1.4.0.1 --no-build)
    grep -F 'not signed' >/dev/null <<<"$out" || fail "no note of the unsigned release"
    exit 0
    ;;
reproducible)
    # The tree of the test run, and a new tree of the same sources in another folder.
    bash "$NERA_ROOT/scripts/release.sh" --tree "$tree" --out "$work/a" --no-build >/dev/null
    bash "$NERA_ROOT/scripts/release.sh" --tree "$work/elsewhere/$(basename "$tree")" --out "$work/b" --no-setup >"$work/build.log" 2>&1 ||
        fail "second build: $(tail -20 "$work/build.log")"
    for d in a b; do
        mkdir "$work/$d/zip"
        (cd "$work/$d/zip" && unzip -q "$work/$d"/NeraTools-*.zip)
    done
    for f in $programs NeraConfig.CHM NeraTools.chm readme.txt; do
        cmp "$work/a/zip/NeraTools/$f" "$work/b/zip/NeraTools/$f" || fail "$f differs between the two builds"
    done
    cmp "$work"/a/NeraTools-*.zip "$work"/b/NeraTools-*.zip || fail "the zip differs between the two builds"
    cmp "$work"/a/NeraTools-*.msi "$work"/b/NeraTools-*.msi || fail "the installer differs between the two builds"
    exit 0
    ;;
msi) ;;
*) fail "unknown case $case_name" ;;
esac

# Three packages of the same programs: the release, an update and an older version.
for v in 1.4.0.1 1.4.0.2 1.3.0.0; do
    bash "$NERA_ROOT/scripts/release.sh" --tree "$tree" --out "$work/$v" --version "$v" --no-build >/dev/null
done
msi() { winpath "$work/$1/NeraTools-$1.msi"; }

# A Wine prefix of this test's own, made once: installing into the prefix that the other tests
# share would change what they see. Its wineserver lives as long as this script.
export WINEPREFIX="$NERA_WIN_BUILD/release-wineprefix"
# shellcheck source=../../scripts/wine-env.sh
. "$NERA_ROOT/scripts/wine-env.sh"
nera_wine_prepare
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
"$NERA_WINE" wineboot -u </dev/null >/dev/null 2>&1 || true
unset NERA_SIM_STORE NERA_SIM_SETTINGS NERA_SIM_LOG

c="$WINEPREFIX/drive_c"
pf="$c/Program Files (x86)"
dir="$pf/NeraTools"
windir='C:\Program Files (x86)\NeraTools'
users=("$c"/users/*/AppData/Local)
store="${users[0]}/NeraSim/Store"

msiexec() { # arguments...; the status of msiexec
    "$NERA_WINE" msiexec "$@" </dev/null >/dev/null 2>&1
}

# The installed products of the suite, "CODE VERSION" per line. The package (Intel platform)
# registers in the 32-bit view, but both views are read: in a prefix that Wine made without
# its 32-bit loader, the 32-bit view has no Uninstall key until something is installed, and
# reg fails on the missing key.
products() {
    local view
    for view in 32 64; do
        "$NERA_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view 2>/dev/null ||
            true
    done | tr -d '\r' | awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) }
            /DisplayName/ && /Nera Tools/ { found[key] = 1 }
            /DisplayVersion/ { version[key] = $NF }
            END { for (k in found) print k, version[k] }'
}

# The machine's PATH as the registry holds it.
path_text() {
    "$NERA_WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]*SZ *//p'
}

# Whatever an earlier, interrupted run left behind.
products | while read -r code _; do msiexec /x "$code" /qn || true; done
rm -rf "$dir" "$pf/user.nera" "${users[0]}/NeraSim"
path_before=$(path_text)
[ -n "$path_before" ] || fail "no machine PATH before the install"

# --- install -----------------------------------------------------------------------------
msiexec /i "$(msi 1.4.0.1)" /qn /l*v "$(winpath "$work/install.log")" || fail "install failed"
[ "$(products | awk '{ print $2 }')" = 1.4.0.1 ] || fail "installed products: $(products)"
expected="Kivo5120.dll NeraConfig.CHM NeraConfig.exe NeraTools.chm NeraUpdater.exe Q5120Common.dll Tesk4861Tools.exe nera.exe nerasim.exe"
[ "$(cd "$dir" && ls | sort | xargs)" = "$expected" ] || fail "install folder holds: $(ls "$dir")"
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$work/1.4.0.1/NeraTools-1.4.0.1.zip")
for f in $expected; do
    cmp -s "$dir/$f" "$work/zip/NeraTools/$f" || fail "$f is not the one in the zip"
done

# The install folder is on the machine's PATH, once and in front (where uninstalling takes it
# out with its separator), the rest as it was: a command prompt in another folder finds nera.exe
# there.
[ "$(path_text)" = "$windir\\;$path_before" ] || fail "PATH after the install: $(path_text)"
# (Wine's where.exe finds nothing; cmd's own PATH search does what it does on Windows.)
found=$(cd "$work" && "$NERA_WINE" cmd /c 'for %i in (nera.exe) do @echo %~$PATH:i' 2>/dev/null | tr -d '\r')
[ "$found" = "$windir\\nera.exe" ] || fail "nera.exe found on PATH: $found"

# The Start-menu folder is where the installer resolved ProgramMenuFolder. (Wine gives the
# user's folder even for a per-machine package; Windows gives the one for all users.)
menu=$(iconv -f CP932 -t UTF-8 "$work/install.log" | tr -d '\r' |
    sed -n 's/^Property(S): ProgramMenuFolder = C:\\\(.*\)$/\1/p' | head -1)
menu="$c/${menu//\\//}Nera Tools"
shortcut() { # name, target, arguments
    local lnk="$menu/$1.lnk"
    [ -f "$lnk" ] || fail "no shortcut $1 in $menu"
    strings "$lnk" | grep -xF "$windir\\$2" >/dev/null || fail "shortcut $1 does not start $2"
    [ -z "$3" ] || strings -e l "$lnk" | grep -xF -- "$3" >/dev/null || fail "shortcut $1 lacks $3"
}
shortcut Tesk4861Tools Tesk4861Tools.exe ""
shortcut Tesk-I0x0xTools Tesk4861Tools.exe -TITLE:Tesk-I0x0xTools
shortcut Tesk-A0x0xTools Tesk4861Tools.exe -TITLE:Tesk-A0x0xTools
shortcut "ネットワーク設定ツール(NeraConfig)" NeraConfig.exe ""
shortcut "ファームウェア更新ツール" NeraUpdater.exe ""
shortcut "Nera Tools ガイド" NeraTools.chm ""
[ "$(ls "$menu" | wc -l)" = 6 ] || fail "the Start-menu folder holds: $(ls "$menu")"

# The installed launcher starts the installed NeraConfig, whose F1 opens the installed help
# file; NeraConfig connects (making the simulated modules' store) and saves a settings file
# beside the install folder.
drive "$work" <<SCRIPT
start "$windir\\Tesk4861Tools.exe"
window
title Tesk4861Tools
shot $(winpath "$work")\\launcher.bmp
click 1001
attach NeraConfig
image $windir\\NERACONFIG.EXE
click 1017
enabled 1036 1
command 57670
toplevel HH Parent|NeraConfig ヘルプ
shot $(winpath "$work")\\help.bmp
close
main
command 57604
dialog 名前を付けて保存
settext 1148 C:\\Program Files (x86)\\user.nera
click 1
main
title NeraConfig - user.nera
close
exited
attach Tesk4861Tools
close
exited
SCRIPT
keep_shot "$work/launcher.bmp" release-installed-launcher
keep_shot "$work/help.bmp" release-help-viewer
[ "$(stat -c %s "$pf/user.nera")" = 130 ] || fail "user.nera was not saved"
[ -f "$store/module1/module.txt" ] || fail "no simulated modules' store at $store"

# --- an older version refuses to install, with its message ------------------------------
drive "$work" <<SCRIPT
start msiexec.exe /i $(msi 1.3.0.0) /qb
msgbox ok より新しいバージョンの Nera Tools がインストールされているため、このバージョンはインストールできません。古いバージョンに戻すには、先に「プログラムと機能」から Nera Tools を削除してください。
exited 30000
SCRIPT
[ "$(products | awk '{ print $2 }')" = 1.4.0.1 ] || fail "after the downgrade: $(products)"

# --- a newer version (only the fourth field) replaces the installed one -----------------
msiexec /i "$(msi 1.4.0.2)" /qn || fail "upgrade failed"
[ "$(products | awk '{ print $2 }')" = 1.4.0.2 ] || fail "after the upgrade: $(products)"
[ "$(cd "$dir" && ls | sort | xargs)" = "$expected" ] || fail "after the upgrade: $(ls "$dir")"
[ "$(ls "$menu" | wc -l)" = 6 ] || fail "after the upgrade the Start-menu folder holds: $(ls "$menu")"
[ "$(path_text)" = "$windir\\;$path_before" ] || fail "PATH after the upgrade: $(path_text)"

# --- older only in the fourth field: refused as well --------------------------------------
drive "$work" <<SCRIPT
start msiexec.exe /i $(msi 1.4.0.1) /qb
msgbox ok より新しいバージョンの Nera Tools がインストールされているため、このバージョンはインストールできません。古いバージョンに戻すには、先に「プログラムと機能」から Nera Tools を削除してください。
exited 30000
SCRIPT
[ "$(products | awk '{ print $2 }')" = 1.4.0.2 ] || fail "after the fourth-field downgrade: $(products)"

# --- the same version again: a repair ----------------------------------------------------
msiexec /i "$(msi 1.4.0.2)" /qn || fail "the same version again was refused"
rm "$dir/NeraConfig.CHM"
msiexec /i "$(msi 1.4.0.2)" /qn REINSTALL=ALL REINSTALLMODE=omus || fail "repair failed"
[ "$(products | awk '{ print $2 }')" = 1.4.0.2 ] || fail "after the repair: $(products)"
[ "$(cd "$dir" && ls | sort | xargs)" = "$expected" ] || fail "after the repair: $(ls "$dir")"

# --- uninstall removes what it installed and nothing else ---------------------------------
msiexec /x "$(msi 1.4.0.2)" /qn || fail "uninstall failed"
[ -z "$(products)" ] || fail "still installed: $(products)"
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$menu" ] || fail "Start-menu folder left behind: $(ls -A "$menu")"
[ "$(path_text)" = "$path_before" ] || fail "PATH after the uninstall: $(path_text) (before: $path_before)"
[ "$(stat -c %s "$pf/user.nera")" = 130 ] || fail "uninstall touched the user's settings file"
[ -f "$store/module1/module.txt" ] || fail "uninstall touched the simulated modules' store"

# --- without the simulated module: the maker's libraries stay the user's -------------------
msiexec /i "$(msi 1.4.0.1)" /qn ADDLOCAL=Programs || fail "install without the libraries failed"
[ "$(cd "$dir" && ls | sort | xargs)" = "NeraConfig.CHM NeraConfig.exe NeraTools.chm NeraUpdater.exe Tesk4861Tools.exe nera.exe" ] ||
    fail "installed without the libraries: $(ls "$dir")"
echo "maker's library" >"$dir/Kivo5120.dll"
echo "maker's library" >"$dir/Q5120Common.dll"
msiexec /x "$(msi 1.4.0.1)" /qn || fail "uninstall failed"
[ "$(cd "$dir" && ls | sort | xargs)" = "Kivo5120.dll Q5120Common.dll" ] || fail "after uninstall: $(ls -A "$dir")"
[ "$(path_text)" = "$path_before" ] || fail "PATH after the second uninstall: $(path_text) (before: $path_before)"
grep -qx "maker's library" "$dir/Kivo5120.dll" || fail "uninstall changed the maker's library"
rm -rf "$dir" "$pf/user.nera"
echo "release: all checks passed"
