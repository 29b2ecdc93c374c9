#!/usr/bin/env bash
# End-to-end tests of Tesk4861Tools.exe: the real program under Wine, driven from outside.
# Usage: launcher_e2e.sh CASE
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}

TOOLS=(NERACONFIG.EXE Q5120Number.exe KivoFW.exe Q5120IniWriter.exe Chronset.exe Calibrex.exe NERAUPDATER.EXE)

# A launcher folder whose path holds blanks, with stand-ins for every tool.
prepare() { # work folder, launcher file name, with tools (1/0)
    local dir="$1/tools with blanks" tool
    mkdir -p "$dir"
    cp "$BIN/Tesk4861Tools.exe" "$dir/$2"
    if [ "$3" = 1 ]; then
        for tool in "${TOOLS[@]}"; do
            cp "$BIN/standin_tool.exe" "$dir/$tool"
        done
    fi
    echo "$dir"
}

upper() { printf '%s' "$1" | tr 'a-z' 'A-Z'; }

work=$(e2e_workdir "launcher-$case_name")
export NERA_STANDIN_LOG
NERA_STANDIN_LOG=$(winpath "$work/started.log")
log="$work/started.log"

# Expects that a stand-in was started as "folder\tool" args, in the driver's folder.
expect_started() { # launcher folder, tool, arguments
    local line
    line="$2|\"$(upper "$(winpath "$1")")\\$2\"${3:+ $3}|$(winpath "$work")"
    wait_for_line "$log" "$line"
}

case "$case_name" in
default)
    dir=$(prepare "$work" Tesk4861Tools.exe 1)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe"
window
title Tesk4861Tools
enabled 1001 1
enabled 1004 1
enabled 1007 1
enabled 1008 1
enabled 1009 1
enabled 1005 1
enabled 1006 0
shot $(winpath "$work")\\launcher.bmp
click 1001
click 1004
click 1007
click 1008
click 1009
click 1005
nomsgbox 500
close
exited
SCRIPT
    keep_shot "$work/launcher.bmp" launcher
    expect_started "$dir" NERACONFIG.EXE ""
    expect_started "$dir" Q5120Number.exe "-IF:LAN -TITLE:Tesk4861 -TYPE4861"
    expect_started "$dir" KivoFW.exe "-UFIRMONLY"
    expect_started "$dir" Q5120IniWriter.exe ""
    expect_started "$dir" Chronset.exe "-IF:LAN -TITLE:Tesk4861 -TYPE4861"
    expect_started "$dir" NERAUPDATER.EXE "-UUID:a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38 -PRODUCT:Tesk-I4861"
    # The disabled calibration button started nothing.
    sleep 0.5
    [ "$(wc -l <"$log")" = 6 ] || fail "expected six starts: $(cat "$log")"
    ;;
analog)
    dir=$(prepare "$work" Tesk4861Tools.exe 1)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe" -title:Tesk-A0x0xTools
window
title Tesk-A0x0xTools
enabled 1009 0
enabled 1006 1
click 1004
click 1006
click 1005
close
exited
SCRIPT
    expect_started "$dir" Q5120Number.exe "-IF:LAN -TITLE:Tesk-A0x0x -TYPEA0x0x"
    expect_started "$dir" Calibrex.exe "-TITLE:Tesk-A0x0x"
    expect_started "$dir" NERAUPDATER.EXE "-UUID:8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60 -PRODUCT:Tesk-A0x0x"
    ;;
io)
    # A blank between the option and its value is skipped.
    dir=$(prepare "$work" Tesk4861Tools.exe 1)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe" -TITLE: Tesk-I0x0xTools
window
title Tesk-I0x0xTools
enabled 1009 0
enabled 1006 0
click 1004
click 1005
close
exited
SCRIPT
    expect_started "$dir" Q5120Number.exe "-IF:LAN -TITLE:Tesk-I0x0x -TYPEI0x0x"
    expect_started "$dir" NERAUPDATER.EXE "-UUID:5c1e7a90-2b4d-4e8f-9a13-6d0b7f2c4e51 -PRODUCT:Tesk-I0x0x"
    ;;
lowercase-value)
    dir=$(prepare "$work" Tesk4861Tools.exe 1)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe" -TITLE:tesk-a0x0xtools
window
title tesk-a0x0xtools
enabled 1009 0
enabled 1006 0
click 1005
close
exited
SCRIPT
    expect_started "$dir" NERAUPDATER.EXE "-UUID:a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38 -PRODUCT:Tesk-I4861"
    ;;
quoted-and-empty)
    dir=$(prepare "$work" Tesk4861Tools.exe 0)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe" "-TITLE:My Tools"
window
title My
enabled 1009 0
enabled 1006 0
close
exited
start "$(winpath "$dir")\\Tesk4861Tools.exe" -TITLE:
window
title Tesk4861Tools
enabled 1009 1
close
exited
SCRIPT
    ;;
renamed)
    # A renamed launcher starts the tool beside it, not a second launcher.
    dir=$(prepare "$work" "My Launcher.exe" 1)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\My Launcher.exe"
window
title Tesk4861Tools
click 1001
close
exited
SCRIPT
    expect_started "$dir" NERACONFIG.EXE ""
    ;;
missing-tool)
    dir=$(prepare "$work" Tesk4861Tools.exe 0)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe"
window
click 1008
msgbox ok Q5120IniWriter.exe が起動できませんでした。
title Tesk4861Tools
click 1004
msgbox ok Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861 が起動できませんでした。
close
exited
SCRIPT
    ;;
about)
    dir=$(prepare "$work" Tesk4861Tools.exe 0)
    drive "$work" <<SCRIPT
start "$(winpath "$dir")\\Tesk4861Tools.exe"
window
syscommand 16
dialog バージョン情報
text 1000 1, 4, 0, 1
shot $(winpath "$work")\\about.bmp
click 1
main
title Tesk4861Tools
close
exited
SCRIPT
    keep_shot "$work/about.bmp" launcher-about
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "passed: launcher $case_name"
