#!/usr/bin/env bash
# End-to-end tests of NeraConfig.exe with the simulated module: the real program under Wine,
# driven from outside. Usage: neraconfig_e2e.sh CASE
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "neraconfig-$case_name")
NERASIM="$NERA_WIN_BUILD/../native/bin/nerasim"

# A store with one module of a known MAC; the libraries find it through NERA_SIM_STORE.
store="$work/store"
"$NERASIM" --store "$store" create unit1 --mac 0011223344AA >/dev/null
export NERA_SIM_STORE NERA_SIM_LOG
NERA_SIM_STORE=$(winpath "$store")
NERA_SIM_LOG=$(winpath "$work/calls.log")
exe="$(winpath "$BIN")\\NeraConfig.exe"

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
    # Connect, read into the editor, give a static address, write, reconnect and read it back.
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
click 1011
checked 1011 0
enabled 1012 1
ipset 1012 192.168.0.10
ipset 1014 255.255.255.0
ipset 1013 192.168.0.1
click 1018
msgbox ok 正常に書き込みました。
enabled 1017 1
enabled 1036 0
click 1017
checked 1001 0
ip 1002 192.168.0.10
ip 1004 255.255.255.0
ip 1003 192.168.0.1
shot $(winpath "$work")\\connected.bmp
close
exited
SCRIPT
    keep_shot "$work/connected.bmp" neraconfig-connected
    grep -q '^Kivo_FlshWriteRWArea h=[0-9]* area=6' "$work/calls.log" || fail "no area write logged"
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
