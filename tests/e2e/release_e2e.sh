#!/usr/bin/env bash
# End-to-end test of the release. Usage: release_e2e.sh CASE
#   chm  the help file compiles, unpacks again, and every page of its contents exists
#   msi  the installer under Wine, in a prefix of its own: install, the installed programs and
#        help, a refused downgrade, an upgrade in place, uninstall, the device libraries left out
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "release-$case_name")

case "$case_name" in
chm)
    bash "$NERA_ROOT/scripts/build-help.sh" "$work" >/dev/null
    chmls extractall "$work/NeraConfig.CHM" "$work/pages" >/dev/null 2>&1
    pages=$(grep -o 'name="Local" value="[^"]*"' "$work/pages/toc.hhc" | sed 's/.*value="//; s/"$//')
    [ "$(wc -l <<<"$pages")" -ge 8 ] || fail "the contents list only: $pages"
    for page in $pages; do
        [ -s "$work/pages/$page" ] || fail "the contents name $page, which the help file lacks"
    done
    for page in "$NERA_ROOT"/help/NeraConfig/*.htm; do
        grep -qx "$(basename "$page")" <<<"$pages" || fail "$(basename "$page") is in no contents entry"
    done
    chmls printsystem "$work/NeraConfig.CHM" 2>/dev/null | tr -d '\0' | grep '^(2) *Default topic.*:index.htm' >/dev/null ||
        fail "the first page is not index.htm"
    # The viewer reads the contents in the file's code page.
    iconv -f CP932 -t UTF-8 "$work/pages/toc.hhc" | grep 'フラッシュ書換えモードでの起動方法' >/dev/null ||
        fail "the contents are not in code page 932"
    exit 0
    ;;
msi) ;;
*) fail "unknown case $case_name" ;;
esac

# Three packages of the same programs: the release, an update and an older version.
tree=$NERA_WIN_BUILD
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

# The installed products of the suite, "CODE VERSION" per line.
products() {
    "$NERA_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 2>/dev/null |
        tr -d '\r' | awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) }
            /DisplayName/ && /Nera Tools/ { found[key] = 1 }
            /DisplayVersion/ { version[key] = $NF }
            END { for (k in found) print k, version[k] }'
}

# Whatever an earlier, interrupted run left behind.
products | while read -r code _; do msiexec /x "$code" /qn || true; done
rm -rf "$dir" "$pf/user.nera" "${users[0]}/NeraSim"

# --- install -----------------------------------------------------------------------------
msiexec /i "$(msi 1.4.0.1)" /qn /l*v "$(winpath "$work/install.log")" || fail "install failed"
[ "$(products | awk '{ print $2 }')" = 1.4.0.1 ] || fail "installed products: $(products)"
expected="Kivo5120.dll NeraConfig.CHM NeraConfig.exe NeraUpdater.exe Q5120Common.dll Tesk4861Tools.exe nera.exe nerasim.exe"
[ "$(cd "$dir" && ls | sort | xargs)" = "$expected" ] || fail "install folder holds: $(ls "$dir")"
for f in NeraConfig.exe NeraUpdater.exe nera.exe; do
    cmp -s "$dir/$f" "$tree/bin/$f" || fail "$f is not the built one"
done

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
[ "$(ls "$menu" | wc -l)" = 5 ] || fail "the Start-menu folder holds: $(ls "$menu")"

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
[ "$(ls "$menu" | wc -l)" = 5 ] || fail "after the upgrade the Start-menu folder holds: $(ls "$menu")"

# --- uninstall removes what it installed and nothing else ---------------------------------
msiexec /x "$(msi 1.4.0.2)" /qn || fail "uninstall failed"
[ -z "$(products)" ] || fail "still installed: $(products)"
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$menu" ] || fail "Start-menu folder left behind: $(ls -A "$menu")"
[ "$(stat -c %s "$pf/user.nera")" = 130 ] || fail "uninstall touched the user's settings file"
[ -f "$store/module1/module.txt" ] || fail "uninstall touched the simulated modules' store"

# --- without the simulated module: the maker's libraries stay the user's -------------------
msiexec /i "$(msi 1.4.0.1)" /qn ADDLOCAL=Programs || fail "install without the libraries failed"
[ "$(cd "$dir" && ls | sort | xargs)" = "NeraConfig.CHM NeraConfig.exe NeraUpdater.exe Tesk4861Tools.exe nera.exe" ] ||
    fail "installed without the libraries: $(ls "$dir")"
echo "maker's library" >"$dir/Kivo5120.dll"
echo "maker's library" >"$dir/Q5120Common.dll"
msiexec /x "$(msi 1.4.0.1)" /qn || fail "uninstall failed"
[ "$(cd "$dir" && ls | sort | xargs)" = "Kivo5120.dll Q5120Common.dll" ] || fail "after uninstall: $(ls -A "$dir")"
grep -qx "maker's library" "$dir/Kivo5120.dll" || fail "uninstall changed the maker's library"
rm -rf "$dir" "$pf/user.nera"
echo "release: all checks passed"
