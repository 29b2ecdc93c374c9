#!/usr/bin/env bash
# End-to-end tests of NeraConfig.exe with the simulated module: the real program under Wine,
# driven from outside. Usage: neraconfig_e2e.sh CASE
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "neraconfig-$case_name")
NERASIM="$NERA_WIN_BUILD/../native/bin/nerasim"

mac=0011223344AA
# A store with one module of a known MAC; the libraries find it through NERA_SIM_STORE.
store="$work/store"
"$NERASIM" --store "$store" create unit1 --mac "$mac" >/dev/null
export NERA_SIM_STORE NERA_SIM_LOG
NERA_SIM_STORE=$(winpath "$store")
NERA_SIM_LOG=$(winpath "$work/calls.log")
exe="$(winpath "$BIN")\\NeraConfig.exe"
# The digest a module holds when no password is set.
no_password=E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855

# hex_repeat BYTE COUNT: the hex byte BYTE COUNT times.
hex_repeat() {
    local i
    for ((i = 0; i < $2; i++)); do printf %s "$1"; done
}

# Area 6 of the module must hold exactly the record given as 256 hex digits.
expect_area6() {
    local got
    got=$("$NERASIM" --store "$store" dump-area unit1 6 | cut -d' ' -f2- | tr -d ' \n')
    [ "$got" = "$1" ] || fail "area 6 holds $got, expected $1"
}

case "$case_name" in
start)
    drive "$work" <<SCRIPT
start "$exe"
window
title NeraConfig
enabled 1036 0
enabled 32776 0
enabled 1017 1
text 1009 49152
text 1033 50176
checked 1011 1
checked 1023 1
ip 1012 blank
enabled 1012 0
text 1008
shot $(winpath "$work")\\neraconfig.bmp
close
exited
start "$exe" -title:Plant3 -SERVERPORT:10001 -macedit
window
title Plant3
text 1033 10001
close
exited
SCRIPT
    keep_shot "$work/neraconfig.bmp" neraconfig
    ;;
device)
    # Connect, read into the editor, give a static address and more, write; the module then
    # holds exactly the record sent, with the no-password digest for the empty password field.
    # Connect and disconnect each reach the module anew, so the log shows every handle opened,
    # used and closed.
    drive "$work" <<SCRIPT
start "$exe"
window
click 1017
enabled 1036 1
enabled 32776 1
enabled 1017 0
text 1000 0011223344AA
text 1008 0011223344AA
click 6
title NeraConfig*
settext 1009 10001
click 1011
checked 1011 0
enabled 1012 1
ipset 1012 192.168.0.10
ipset 1014 255.255.255.0
ipset 1013 192.168.0.1
checked 1023 0
ipset 1022 192.168.0.2
settext 1025 ntp.example
click 1024
settext 1026 192.168.0.200
settext 1033 10010
# the password field is empty: the module must get the no-password digest
text 1010
click 1018
msgbox ok 正常に書き込みました。
# the write closed the module; connect, disconnect, connect
enabled 1017 1
enabled 1036 0
click 1017
enabled 1017 0
enabled 1036 1
click 1036
enabled 1017 1
enabled 1036 0
click 1017
enabled 1017 0
shot $(winpath "$work")\\connected.bmp
close
exited
SCRIPT
    keep_shot "$work/connected.bmp" neraconfig-connected
    # format, MAC, address, gateway, mask, port, digest, DNS, reserved, NTP name, flags, server
    # address (the rest of its field as read), server port
    written=0000${mac}C0A8000AC0A80001FFFFFF002711${no_password}C0A80002FFFF
    written+=6E74702E6578616D706C65$(hex_repeat 00 21)00040000C0A800C8$(hex_repeat FF 26)271A
    expect_area6 "$written"
    {
        echo "Q5120_NeraFlashModeOpen reserved=0 -> 1"
        echo "Kivo_FlshReadRWArea h=1 area=6 -> 0"
        echo "Kivo_FlshWriteRWArea h=1 area=6 data=$written -> 0"
        echo "Kivo_FlshReadRWArea h=1 area=6 -> 0"
        echo "Q5120_NeraFlashModeClose h=1 reserved=0 -> 0"
        for h in 2 3; do
            echo "Q5120_NeraFlashModeOpen reserved=0 -> $h"
            echo "Kivo_FlshReadRWArea h=$h area=6 -> 0"
            echo "Q5120_NeraFlashModeClose h=$h reserved=0 -> 0"
        done
    } >"$work/expected.log"
    diff "$work/expected.log" "$work/calls.log" >&2 || fail "the call log differs"

    # Another record put into the module from outside: a new program shows only what it reads.
    other=00000011223344BB0A0102030A0000FEFF0000002712${no_password}0A000001FFFF
    other+=00000A00007B$(hex_repeat FF 26)0004737276$(hex_repeat 00 29)2713
    "$NERASIM" --store "$store" write-area unit1 6 "$other" >/dev/null
    drive "$work" <<SCRIPT
start "$exe"
window
click 1017
enabled 1017 0
text 1000 0011223344BB
text 1008 0011223344BB
text 1005 10002
checked 1001 0
ip 1002 10.1.2.3
ip 1004 255.0.0.0
ip 1003 10.0.0.254
checked 1021 0
ip 1020 10.0.0.1
text 1027 10.0.0.123
checked 1038 1
text 1039 srv
text 1040 10003
close
exited
SCRIPT
    expect_area6 "$other"
    ;;
file)
    # A file named on the command line is opened; a change is saved and comes back.
    printf '\x00\x00' >"$work/a.nera"
    for _ in $(seq 1 126); do printf '\xff'; done >>"$work/a.nera"
    printf '\x00\x00' >>"$work/a.nera"
    drive "$work" <<SCRIPT
start "$exe" "$(winpath "$work")\\a.nera"
window
title NeraConfig - a.nera
text 1009 65535
settext 1009 10001
title NeraConfig - a.nera*
command 1007
title NeraConfig - a.nera
close
exited
start "$exe" "$(winpath "$work")\\a.nera"
window
title NeraConfig - a.nera
text 1009 10001
close
exited
SCRIPT
    [ "$(stat -c %s "$work/a.nera")" = 130 ] || fail "saved file is not 130 bytes"
    [ "$(od -An -tx1 -j 20 -N 2 "$work/a.nera" | tr -d ' ')" = 2711 ] || fail "port not saved big-endian"
    [ "$(od -An -tx1 -j 128 -N 2 "$work/a.nera" | tr -d ' ')" = 0000 ] || fail "wrong MAC-edit flag"
    ;;
save-as-and-open)
    # The system's file dialogs: a name without extension gets ".nera", an existing file is
    # only replaced after the system's question, and the discard question guards the open.
    drive "$work" <<SCRIPT
start "$exe"
window
settext 1009 10002
command 57604
dialog 名前を付けて保存
settext 1148 $(winpath "$work")\\b
click 1
main
title NeraConfig - b.nera
settext 1009 10003
title NeraConfig - b.nera*
command 57604
dialog 名前を付けて保存
settext 1148 $(winpath "$work")\\b.nera
click 1
anymsgbox yes
main
title NeraConfig - b.nera
settext 1009 1
click 1015
msgbox yes 編集中のファイル内容を破棄しますか？
dialog 開く
settext 1148 $(winpath "$work")\\b.nera
click 1
main
title NeraConfig - b.nera
text 1009 10003
close
exited
SCRIPT
    [ "$(stat -c %s "$work/b.nera")" = 130 ] || fail "saved file is not 130 bytes"
    [ "$(od -An -tx1 -j 20 -N 2 "$work/b.nera" | tr -d ' ')" = 2713 ] || fail "port not saved"
    ls "$work"/*.tmp "$work"/nra* >/dev/null 2>&1 && fail "a temporary file was left behind"
    ;;
help-about)
    drive "$work" <<SCRIPT
start "$exe"
window
command 1035
dialog 設定項目について
shot $(winpath "$work")\\config-help.bmp
click 2
main
command 1028
dialog フラッシュ書換えモードでの起動方法
shot $(winpath "$work")\\flashmode-help.bmp
click 2
main
command 32772
dialog NeraConfigのﾊﾞｰｼﾞｮﾝ情報
text 1020 3, 0, 1, 4
click 1
main
syscommand 16
dialog NeraConfigのﾊﾞｰｼﾞｮﾝ情報
click 1
main
close
exited
SCRIPT
    keep_shot "$work/config-help.bmp" neraconfig-config-help
    keep_shot "$work/flashmode-help.bmp" neraconfig-flashmode-help
    ;;
library-windows)
    # Both windows of the device library open over NeraConfig and close again.
    drive "$work" <<SCRIPT
start "$exe"
window
click 1017
enabled 32776 1
click 32776
dialog NeraSim 製品情報
shot $(winpath "$work")\\product-info.bmp
command 1
main
enabled 1036 1
command 1016
dialog NeraSim 接続設定
shot $(winpath "$work")\\connection-settings.bmp
command 2
main
close
exited
SCRIPT
    keep_shot "$work/product-info.bmp" library-product-info
    keep_shot "$work/connection-settings.bmp" library-connection-settings
    grep -q '^Q5120_NeraFlashModeClose' "$work/calls.log" || fail "closing the window did not close the module"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "passed: neraconfig $case_name"
