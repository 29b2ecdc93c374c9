#!/usr/bin/env bash
# End-to-end tests of nera.exe with the simulated module: the console program under Wine, its
# output redirected (code page 932, "\r\n"), the module checked with nerasim.
# Usage: nera_cli_e2e.sh CASE
. "$(dirname "$0")/lib.sh"
case_name=${1:?case}
work=$(e2e_workdir "nera-cli-$case_name")
NERASIM="$NERA_WIN_BUILD/../native/bin/nerasim"
NERAPACK="$NERA_WIN_BUILD/../native/bin/nerapack"

store="$work/store"
"$NERASIM" --store "$store" create unit1 --mac 0011223344AA --hw 0x40010203 \
    --uuid 7c0e1d2a-3b4c-4d5e-8f60-718293a4b5c6 --fw 5.6.0 >/dev/null
export NERA_SIM_STORE NERA_SIM_LOG
NERA_SIM_STORE=$(winpath "$store")
NERA_SIM_LOG=$(winpath "$work/calls.log")

# Runs the nera.exe of a folder (nera_in FOLDER ARGS...) in the work folder; standard output and
# error go to out.txt and err.txt, converted to UTF-8 with "\n" line ends. Sets $status.
nera_in() {
    local program=$1/nera.exe
    shift
    set +e
    (cd "$work" && "$NERA_WIN_BUILD/wine-run" "$program" "$@" >out.raw 2>err.raw </dev/null)
    status=$?
    set -e
    iconv -f CP932 -t UTF-8 "$work/out.raw" | tr -d '\r' >"$work/out.txt"
    iconv -f CP932 -t UTF-8 "$work/err.raw" | tr -d '\r' >"$work/err.txt"
}

# nera.exe of the build, beside the simulated module's libraries.
nera() {
    nera_in "$BIN" "$@"
}

expect_status() {
    [ "$status" = "$1" ] || {
        cat "$work/out.txt" "$work/err.txt" >&2
        fail "exit status $status, expected $1"
    }
}

# nera.exe with the device libraries in a folder of its own, beside an updater that carries the
# demonstration image.
make_app() {
    mkdir -p "$work/app"
    cp "$BIN/nera.exe" "$BIN/Kivo5120.dll" "$BIN/Q5120Common.dll" "$work/app/"
    "$NERAPACK" demo-image "$work/image.bin" >/dev/null
    "$NERAPACK" --updater "$BIN/nera.exe" --image "$work/image.bin" --version 5.7.1 \
        --key 3A6C15E29B40D758 --out "$work/app/NeraUpdater.exe" >/dev/null
}

# The nera.exe of make_app.
app_nera() {
    nera_in "$work/app" "$@"
}

# Area 6 of the module as one string of hex digits.
area6() {
    "$NERASIM" --store "$store" dump-area unit1 6 | cut -d' ' -f2- | tr -d ' \n'
}

case "$case_name" in
info)
    nera info
    expect_status 0
    for line in '製品: Nera5120' 'ハードウェアコード: 0x40010203' \
        '製品識別子: 7C0E1D2A-3B4C-4D5E-8F60-718293A4B5C6' 'ファームウェアバージョン: 5.6.0' \
        'MACアドレス: 0011223344AA' 'IPアドレス: 自動取得(DHCP)' 'パスワード: なし' 'サーバーポート: 50176'; do
        grep -qxF "$line" "$work/out.txt" || fail "info lacks: $line"
    done
    # The redirected bytes are code page 932 with CRLF line ends.
    grep -q $'\r$' "$work/out.raw" || fail "no CRLF line ends"
    grep -q '^Q5120_NeraFlashModeClose' "$work/calls.log" || fail "the module was not closed"
    ;;
get-json)
    # get --json is the file that get -o saves: it converts to the same bytes and back to the
    # same text.
    nera get -o saved.nera
    expect_status 0
    nera get --json
    expect_status 0
    grep -qxF '  "mac": "0011223344AA",' "$work/out.txt" || fail "no MAC in the JSON"
    grep -qxF "  \"passwordDigest\": \"$(printf 'F%.0s' $(seq 64))\"," "$work/out.txt" ||
        fail "not the file's no-password digest in the JSON"
    grep -qxF '  "macEdit": 0,' "$work/out.txt" || fail "no macEdit in the JSON"
    grep -qxF '  "erased": false' "$work/out.txt" || fail "the JSON does not say whether the area was erased"
    [ "$(head -c 1 "$work/out.txt")" = "{" ] && [ "$(tail -n 1 "$work/out.txt")" = "}" ] || fail "not one object"
    cp "$work/out.txt" "$work/module.json"
    nera convert module.json -o module.nera
    expect_status 0
    cmp -s "$work/module.nera" "$work/saved.nera" || fail "the JSON did not convert to the file get -o saves"
    nera convert module.nera --json
    expect_status 0
    # A file knows nothing of the module's area: the same text without "erased".
    sed -e '/"erased"/d' -e 's/"macEdit": 0,/"macEdit": 0/' "$work/module.json" >"$work/module-file.json"
    cmp -s "$work/out.txt" "$work/module-file.json" || fail "the JSON did not come back the same"
    ;;
files)
    # -o never replaces a file silently; --force writes it in place, through its link, keeping
    # its permissions; a read-only file is refused and stays as it was.
    printf 'notes' >"$work/target.txt"
    chmod 640 "$work/target.txt"
    ln -s target.txt "$work/link.nera"
    ln "$work/target.txt" "$work/hard.txt"
    nera get -o link.nera
    expect_status 3
    grep -qF 'link.nera: ファイルが既にあります（置き換えるには --force を指定してください）。' "$work/err.txt" ||
        fail "no message for an existing file"
    [ "$(cat "$work/target.txt")" = notes ] || fail "the existing file changed"
    nera get -o link.nera --force
    expect_status 0
    [ -L "$work/link.nera" ] || fail "the link was replaced by a file"
    [ "$(stat -c %s "$work/target.txt")" = 130 ] || fail "the link's target was not written"
    [ "$(stat -c %a "$work/target.txt")" = 640 ] || fail "the permissions changed"
    cmp -s "$work/target.txt" "$work/hard.txt" || fail "the hard link no longer shares the file"
    printf 'locked' >"$work/locked.nera"
    chmod 444 "$work/locked.nera"
    nera get -o locked.nera --force
    expect_status 3
    [ "$(cat "$work/locked.nera")" = locked ] || fail "the read-only file changed"
    ;;
ask)
    # Input that is not a console gets no question: nothing is read from it and nothing written.
    make_app
    app_nera update
    expect_status 2
    grep -qF '標準入力がコンソールではないため質問しませんでした。書き込んでいません（確認なしに書き込むには --yes を指定してください）。' \
        "$work/err.txt" || fail "no refusal naming --yes"
    if grep -qF '続けますか' "$work/err.txt"; then
        fail "a question was asked of input that is not a console"
    fi
    # At a console (a terminal Wine makes the console of), update connects first and then asks,
    # naming the module; No writes nothing.
    rm -f "$work/calls.log"
    mkfifo "$work/keys"
    (cd "$work" && exec script -qefc "'$NERA_WIN_BUILD/wine-run' '$work/app/nera.exe' update" \
        "$work/console.txt" <"$work/keys" >/dev/null) &
    console=$!
    exec 7>"$work/keys"
    # Keys go in once the question shows and Wine's console has put the terminal in raw mode for
    # the read; typed before that, the terminal's own line editing turns Enter into a line feed,
    # which the console does not take for Enter, and the question waits for ever.
    for _ in $(seq 1 300); do
        # The terminal is the standard input of the program that script started.
        child=$(cat "/proc/$console/task/$console/children" 2>/dev/null || true)
        pty=$(readlink "/proc/${child%% *}/fd/0" 2>/dev/null || true)
        if grep -qF '続けますか' "$work/console.txt" 2>/dev/null && [[ $pty == /dev/pts/* ]] &&
            stty -F "$pty" -a 2>/dev/null | grep -qw -- -icanon; then
            break
        fi
        sleep 0.1
    done
    printf 'n\r' >&7
    exec 7>&-
    set +e
    wait "$console"
    status=$?
    set -e
    expect_status 2
    # The console wraps the question at the terminal's width.
    tr -d '\r\n' <"$work/console.txt" |
        grep -qF 'Nera5120（製品識別子 7C0E1D2A-3B4C-4D5E-8F60-718293A4B5C6）のファームウェアを 5.6.0 から 5.7.1 に書き換えます。続けますか？' ||
        { cat "$work/console.txt" >&2; fail "the question does not name the module"; }
    grep -q '^Q5120_FlashModeOpen' "$work/calls.log" || fail "the question came before connecting"
    if grep -q '^Kivo_FlshErase' "$work/calls.log"; then
        fail "the module was erased"
    fi
    # nera.exe alone: help and its version work, a device command names the missing libraries.
    mkdir -p "$work/alone"
    cp "$BIN/nera.exe" "$work/alone/"
    nera_in "$work/alone" --version
    expect_status 0
    grep -q '^nera [0-9]*\.[0-9]*\.[0-9]*\.[0-9]*' "$work/out.txt" || fail "no version without the libraries"
    nera_in "$work/alone" info
    expect_status 3
    grep -qF 'Kivo5120.dll と Q5120Common.dll が見つかりません' "$work/err.txt" ||
        fail "no message for the missing libraries"
    ;;
set)
    # A file saved from the module, then a static address and a Japanese password, which is
    # hashed as its code-page-932 bytes.
    nera get -o base.nera
    expect_status 0
    password='パス123'
    nera set base.nera --ip 192.168.0.10 --mask 255.255.255.0 --gateway 192.168.0.1 --password "$password"
    expect_status 0
    grep -qxF '書込み先: Nera5120（製品識別子 7C0E1D2A-3B4C-4D5E-8F60-718293A4B5C6）' "$work/err.txt" ||
        fail "the module written is not named before writing"
    grep -qxF '正常に書き込みました。（Nera5120（製品識別子 7C0E1D2A-3B4C-4D5E-8F60-718293A4B5C6））' "$work/out.txt" ||
        fail "no success message naming the module"
    if grep -qF "$password" "$work/out.txt" "$work/err.txt" "$work/calls.log"; then
        fail "the password appears in the output or the call log"
    fi
    digest=$(printf '%s' "$password" | iconv -f UTF-8 -t CP932 | sha256sum | cut -c1-64 | tr a-f A-F)
    ff4=FFFFFFFF
    ff32=$(printf 'F%.0s' $(seq 64))
    expected="0000""0011223344AA""C0A8000A""C0A80001""FFFFFF00""C000""$digest""$ff4""FFFF""$ff32""0000""$ff32""C400"
    [ "$(area6)" = "$expected" ] || fail "area 6 is $(area6), expected $expected"
    ;;
update)
    # The updater beside nera.exe, without a question; the flash then holds the image.
    make_app
    app_nera update --yes
    expect_status 0
    printf '%s\n' '---------- Q5120 Firmware Updater ----------' '' 'デバイスと接続中...完了' \
        '...フラッシュメモリを消去しました。' '...フラッシュメモリにバイナリデータを書き込みました。' \
        '...フラッシュメモリのベリファイが完了しました。' '切断しました。' '' '...正常に終了しました。' >"$work/log.txt"
    cmp -s "$work/out.txt" "$work/log.txt" || { cat "$work/out.txt" >&2; fail "not the updater's log"; }
    grep -qxF '書き込まれるバージョン: 5.7.1' "$work/err.txt" || fail "no version to be written"
    expect_demo_image_in_flash "$store" unit1 40010203
    app_nera info
    grep -qxF 'ファームウェアバージョン: 5.7.1' "$work/out.txt" || fail "the module does not report 5.7.1"
    ;;
refused)
    # A bad option and a module of another product identifier fail with their statuses and
    # write nothing.
    before=$(area6)
    nera set --bogus
    expect_status 2
    grep -qF '不明なオプションです: --bogus' "$work/err.txt" || fail "no message for the bad option"
    nera get -o base.nera
    nera set base.nera --port 0
    expect_status 2
    grep -qxF 'nera: --port: 1 から 65535 までの整数を入力してください。' "$work/err.txt" || fail "no range message"
    [ "$(area6)" = "$before" ] || fail "area 6 changed"
    make_app
    flash_before=$("$NERASIM" --store "$store" dump-flash unit1 0x8000 0x100)
    app_nera update --yes --uuid 7c0e1d2a-3b4c-4d5e-8f60-000000000000
    expect_status 1
    grep -qxF 'nera: 接続エラー: 製品情報が一致しませんでした。番号を書き換えるデバイス以外は取り外してください。' \
        "$work/err.txt" || fail "no connection error"
    grep -qxF '### 実行を停止しました。' "$work/out.txt" || fail "the log does not say it stopped"
    [ "$("$NERASIM" --store "$store" dump-flash unit1 0x8000 0x100)" = "$flash_before" ] || fail "the flash changed"
    if grep -q '^Kivo_FlshErase' "$work/calls.log"; then
        fail "the module was erased"
    fi
    ;;
script-loop)
    # The idiom of a hurried script: a loop that reads a table on its standard input. No
    # question takes the table's next line as its answer: every module of the table is
    # attempted, without --yes refused for want of a person to ask, with --yes written.
    nera get -o base.nera
    for n in 2 3; do
        "$NERASIM" --store "$store" create "unit$n" --mac "00112233440$n" \
            --uuid "7c0e1d2a-3b4c-4d5e-8f60-71829300000$n" >/dev/null
    done
    printf '%s\n' 'unit1 7c0e1d2a-3b4c-4d5e-8f60-718293a4b5c6 02:00:00:00:01:01' \
        'unit2 7c0e1d2a-3b4c-4d5e-8f60-718293000002 02:00:00:00:01:02' \
        'unit3 7c0e1d2a-3b4c-4d5e-8f60-718293000003 02:00:00:00:01:03' >"$work/table.txt"
    loop() { # extra options of set; one "name status" line per module in attempts.txt
        : >"$work/attempts.txt"
        while read -r name uuid mac; do
            "$NERASIM" --store "$store" first "$name" >/dev/null
            set +e
            (cd "$work" && "$NERA_WIN_BUILD/wine-run" "$BIN/nera.exe" set base.nera --uuid "$uuid" --mac "$mac" "$@" \
                >>loop-out.raw 2>>loop-err.raw)
            echo "$name $?" >>"$work/attempts.txt"
            set -e
        done <"$work/table.txt"
    }
    loop
    [ "$(cat "$work/attempts.txt")" = "$(printf '%s\n' 'unit1 2' 'unit2 2' 'unit3 2')" ] ||
        fail "attempts without --yes: $(cat "$work/attempts.txt")"
    [ "$(iconv -f CP932 -t UTF-8 "$work/loop-err.raw" | grep -cF '標準入力がコンソールではないため質問しませんでした')" = 3 ] ||
        fail "not every module was refused for want of a person to ask"
    loop --yes
    [ "$(cat "$work/attempts.txt")" = "$(printf '%s\n' 'unit1 0' 'unit2 0' 'unit3 0')" ] ||
        fail "attempts with --yes: $(cat "$work/attempts.txt")"
    for n in 1 2 3; do
        "$NERASIM" --store "$store" show "unit$n" | grep -qxF "mac = 02:00:00:00:01:0$n" ||
            fail "unit$n does not have the MAC of its row"
    done
    ;;
interrupt)
    # Ctrl+C during an update is held until the step in progress ends; nera then stops with
    # 130 and says how to recover, and a second update writes the firmware whole.
    make_app
    "$NERASIM" --store "$store" set unit1 delay_ms=400 >/dev/null
    rm -f "$work/calls.log"
    (cd "$work" && exec "$NERA_WIN_BUILD/wine-run" "$work/app/nera.exe" update --yes >out.raw 2>err.raw </dev/null) &
    updater=$!
    for _ in $(seq 1 300); do
        grep -q '^Kivo_FlshGetEraseBlk' "$work/calls.log" 2>/dev/null && break
        sleep 0.1
    done
    pkill -INT -f "$work/app/nera.exe" || fail "nera.exe was not running"
    set +e
    wait "$updater"
    status=$?
    set -e
    iconv -f CP932 -t UTF-8 "$work/err.raw" | tr -d '\r' >"$work/err.txt"
    expect_status 130
    grep -qE '^nera: 中断しました。ファームウェアは.*もう一度 nera update を実行すると書き込み直します。$' "$work/err.txt" ||
        { cat "$work/err.txt" >&2; fail "no message saying the firmware is incomplete and how to recover"; }
    grep -q '^Kivo_FlshErase' "$work/calls.log" || fail "the erase in progress did not end"
    if awk '/^Kivo_FlshErase/ { erased = 1 } erased && /^Kivo_FlshRead/ { read = 1 } END { exit !read }' \
        "$work/calls.log"; then
        fail "the verify ran after Ctrl+C"
    fi
    "$NERASIM" --store "$store" set unit1 delay_ms=0 >/dev/null
    app_nera update --yes
    expect_status 0
    expect_demo_image_in_flash "$store" unit1 40010203
    ;;
batch)
    # The guide's worked example of a production line: three modules delivered one after another
    # by the simulated line, one not in the table, one whose write fails; a re-run skips the one
    # done and sets up the other; a backup puts a module back as it was.
    line="$work/line"
    sim() { "$NERASIM" --store "$line" "$@" >/dev/null; }
    NERA_SIM_STORE=$(winpath "$line")
    for n in 1 2 3; do
        sim create "unit$n" --uuid "7c0e1d2a-3b4c-4d5e-8f60-00000000000$n" --mac "0011223344A$n"
    done
    sim first unit1
    nera get -o template.nera
    expect_status 0
    sim detach
    printf '%s\n' 'uuid,ip,mask,gateway' \
        '7C0E1D2A-3B4C-4D5E-8F60-000000000001,192.168.10.11,255.255.255.0,192.168.10.1' \
        '7C0E1D2A-3B4C-4D5E-8F60-000000000002,192.168.10.12,255.255.255.0,192.168.10.1' >"$work/line.csv"
    sim set unit2 fail_area_write=1
    batch() { # runs nera batch in the background; $batch is its process
        rm -f "$work/batch-err.raw"
        (cd "$work" && exec "$NERA_WIN_BUILD/wine-run" "$BIN/nera.exe" batch --template template.nera \
            --table line.csv --report line.jsonl --yes >batch-out.raw 2>batch-err.raw </dev/null) &
        batch=$!
    }
    waiting() { # until the batch says it waits for a module
        for _ in $(seq 1 300); do
            iconv -f CP932 -t UTF-8 "$work/batch-err.raw" 2>/dev/null | grep -qF 'モジュールを待っています' && return 0
            sleep 0.1
        done
        fail "the batch does not wait for a module"
    }
    deliver() { # module, the report's lines once it is done
        sim attach "$1"
        for _ in $(seq 1 300); do
            [ "$(cat "$work/line.jsonl" 2>/dev/null | wc -l)" -ge "$2" ] && break
            sleep 0.1
        done
        [ "$(wc -l <"$work/line.jsonl")" -ge "$2" ] || fail "no report line for $1"
        sim detach
    }
    ended() { # the exit status the batch must end with
        set +e
        wait "$batch"
        status=$?
        set -e
        iconv -f CP932 -t UTF-8 "$work/batch-err.raw" | tr -d '\r' >"$work/err.txt"
        expect_status "$1"
    }
    results() { grep -o '"result": "[a-z]*"' "$work/line.jsonl" | cut -d'"' -f4 | xargs; }
    batch
    waiting
    deliver unit1 1
    deliver unit3 2
    deliver unit2 3
    # unit2's row is not done, so the batch waits on; Ctrl+C ends it.
    waiting
    pkill -INT -f 'nera.exe batch' || fail "nera batch was not running"
    ended 130
    [ "$(results)" = "ok unknown failed" ] || fail "results: $(results)"
    grep -qF '  IPアドレス: 自動取得(DHCP) → 192.168.10.11' "$work/err.txt" || fail "no plan was shown"
    grep -qF '結果: ok 1 skipped 0 unknown 1 refused 0 failed 1 planned 0、済んでいない行 1（Ctrl+C で中断しました）' \
        "$work/err.txt" || fail "no summary"
    [ "$("$NERASIM" --store "$line" dump-area unit1 6 | head -1 | cut -d" " -f10-13 | tr -d " ")" = C0A80A0B ] ||
        fail "unit1 does not have its row's address"
    backups=("$work"/line-backups/7C0E1D2A-3B4C-4D5E-8F60-00000000000[12]-*.nera)
    [ "${#backups[@]}" = 2 ] && [ "$(stat -c %s "${backups[0]}")" = 130 ] || fail "backups: ${backups[*]}"
    # The fault mended, the same command again: unit1 is skipped, unit2 set up, and the batch ends.
    sim set unit2 fail_area_write=0
    batch
    waiting
    deliver unit1 4
    deliver unit2 5
    ended 0
    [ "$(results)" = "ok unknown failed skipped ok" ] || fail "results after the re-run: $(results)"
    [ "$(ls "$work/line-backups" | wc -l)" = 3 ] || fail "a skipped module was backed up"
    # unit1 back as it was, from its backup.
    sim first unit1
    nera set "line-backups/$(basename "${backups[0]}")" --uuid 7C0E1D2A-3B4C-4D5E-8F60-000000000001
    expect_status 0
    [ "$("$NERASIM" --store "$line" dump-area unit1 6 | head -1 | cut -d" " -f10-13 | tr -d " ")" = 00000000 ] ||
        fail "unit1 was not restored from its backup"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "passed: nera_cli $case_name"
