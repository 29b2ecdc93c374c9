#!/usr/bin/env bash
# End-to-end tests of NeraUpdater.exe with the simulated module: the real program, carrying the
# demonstration package, under Wine, driven from outside; the module checked with nerasim.
# Usage: neraupdater_e2e.sh CASE
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "neraupdater-$case_name")
NERASIM="$NERA_WIN_BUILD/../native/bin/nerasim"

# The default module: the default variant's identifier, hardware code 0x40010001, firmware 5.6.0.
store="$work/store"
"$NERASIM" --store "$store" create unit1 >/dev/null
export NERA_SIM_STORE NERA_SIM_LOG
NERA_SIM_STORE=$(winpath "$store")
NERA_SIM_LOG=$(winpath "$work/calls.log")

# The program in a folder of its own whose path holds blanks, with the libraries beside it.
app="$work/app with blanks"
mkdir -p "$app"
cp "$BIN/NeraUpdater.exe" "$BIN/Kivo5120.dll" "$BIN/Q5120Common.dll" "$BIN/Tesk4861Tools.exe" "$app/"
exe="$(winpath "$app")\\NeraUpdater.exe"
question='最初に見つかったデバイスに対して書込みを行います。続けますか？'

# The flash must hold the demonstration image with the module's hardware code stamped into the
# version record, and nothing in 0x1000-0x7FFF.
expect_image_written() {
    expect_demo_image_in_flash "$store" unit1 40010001
    "$NERASIM" --store "$store" show unit1 | grep -qxF 'firmware = 5.7.1' || fail "the module does not report 5.7.1"
    ! grep -Eq 'addr=0x0000[1-7][0-9A-F]{3} ' "$work/calls.log" || fail "0x1000-0x7FFF was touched"
}

case "$case_name" in
start)
    # Start-up state without options, then the options in lower case with a quoted value.
    drive "$work" <<SCRIPT
start "$exe"
window
title Nera5120 Firmware Updater
text 1008 Nera5120 ファームウェア更新プログラム
enabled 1010 1
enabled 1011 0
enabled 1 1
enabled 2 1
enabled 1004 1
text 1001 5.7.1
text 1002
text 1003
text 1000
shot $(winpath "$work")\\neraupdater.bmp
syscommand 16
dialog Q5120FirmwareWriterのﾊﾞｰｼﾞｮﾝ情報
text 1001 5, 0, 0, 1
click 1
main
close
exited
start "$exe" -uuid:00000000-0000-0000-0000-000000000000 -product:"Plant3"
window
title Plant3 Firmware Updater
text 1008 Plant3 ファームウェア更新プログラム
close
exited
SCRIPT
    keep_shot "$work/neraupdater.bmp" neraupdater
    [ ! -e "$work/calls.log" ] || ! grep -q . "$work/calls.log" || fail "start-up called the libraries"
    ;;
write)
    # Connect and write with Enter's command: no question while connected. The write ends
    # disconnected, so a second write asks first and connects itself.
    drive "$work" <<SCRIPT
start "$exe"
window
click 1010
text 1003 Nera5120
text 1002 5.6.0
enabled 1010 0
enabled 1011 1
command 1
text 1002 5.7.1
enabled 1010 1
enabled 1011 0
nomsgbox 200
click 1
msgbox yes $question
text 1002 5.7.1
enabled 1010 1
shot $(winpath "$work")\\written.bmp
close
exited
SCRIPT
    [ "$(grep -c '^Kivo_FlshErase' "$work/calls.log")" = 2 ] || fail "expected two erases"
    keep_shot "$work/written.bmp" neraupdater-written
    expect_image_written
    ;;
refused)
    # A module of another identifier: the error box, and not a byte of flash written; then
    # "no" to the question writes nothing either.
    drive "$work" <<SCRIPT
start "$exe" -UUID:7c0e1d2a-3b4c-4d5e-8f60-718293a4b5c6
window
click 1010
msgbox ok 製品情報が一致しませんでした。番号を書き換えるデバイス以外は取り外してください。
enabled 1010 1
enabled 1011 0
text 1003
close
exited
start "$exe"
window
click 1
msgbox no $question
text 1002
close
exited
SCRIPT
    ! grep -Eq '^Kivo_Flsh(Erase|Write)' "$work/calls.log" || fail "the flash was changed"
    "$NERASIM" --store "$store" show unit1 | grep -qxF 'firmware = 5.6.0' || fail "the firmware changed"
    ;;
launcher)
    # The launcher's updater button starts this program with the default variant's identifier
    # and product name; the write then passes the identity check. A failed step ends only the
    # updater, so the launcher is ended here.
    trap 'pkill -f "neraupdater-launcher.app with blanks.Tesk4861Tools.exe" || true' EXIT
    drive "$work" <<SCRIPT
start "$(winpath "$app")\\Tesk4861Tools.exe"
window
click 1005
attach Tesk-I4861 Firmware Updater
image $exe
text 1008 Tesk-I4861 ファームウェア更新プログラム
click 1
msgbox yes $question
text 1003 Nera5120
text 1002 5.7.1
close
exited
SCRIPT
    grep -q '^Kivo_FlshReadRWArea h=[0-9]* area=7 -> 0' "$work/calls.log" || fail "no identity check"
    expect_image_written
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: neraupdater $case_name"
