# Sourced by the scripts that run Windows programs: the Wine set-up every run shares.
# NERA_WIN_BUILD names the i686 build folder; the Wine prefix lives inside it.

: "${NERA_WIN_BUILD:?NERA_WIN_BUILD must name the Windows build folder}"
export WINEPREFIX="${WINEPREFIX:-$NERA_WIN_BUILD/wineprefix}"
# LC_ALL (not LANG alone) makes the ANSI code page 932, as on a Japanese system.
# On a fresh machine the set-up generates the locale after this shell started; the shell's C
# library does not look for it again and would warn, while Wine, a new process, finds it. So the
# shell's own warning is dropped and a locale that is really missing is told here.
if ! locale -a 2>/dev/null | grep -i '^ja_JP\.utf-\?8$' >/dev/null; then
    echo "wine-env.sh: the ja_JP.UTF-8 locale is missing; run scripts/setup.sh" >&2
fi
export LC_ALL=ja_JP.UTF-8 2>/dev/null
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# 32-bit Windows programs need the 32-bit Wine loader, which needs a kernel that runs 32-bit
# Linux programs. Some kernels have that switched off; there only 64-bit programs run.
# NERA_WINE_64=1 takes that 64-bit path anyway (the x86_64 build's tests, the 64-bit loader),
# so that a machine which runs 32-bit programs can run the tests as the other kind does.
nera_wine_runs_32bit() {
    [ "${NERA_WINE_64:-}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if nera_wine_runs_32bit; then
    NERA_WINE=wine
else
    NERA_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
fi

# Makes the prefix once, with the font replacements that let the dialog fonts draw Japanese.
nera_wine_prepare() {
    local stamp="$WINEPREFIX/.nera-ready-2"
    [ -f "$stamp" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$stamp" ]; then
            local log="$WINEPREFIX.log"
            "$NERA_WINE" wineboot -i >"$log" 2>&1 || true
            if [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
                echo "wine-env.sh: $NERA_WINE wineboot made no Wine prefix in $WINEPREFIX:" >&2
                tail -20 "$log" >&2
                exit 1
            fi
            local reg="$WINEPREFIX/nera-fonts.reg"
            printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
                '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
                '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
                '"MS UI Gothic"="IPAPGothic"' '"MS Shell Dlg"="IPAPGothic"' '' \
                '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' '"Managed"="N"' '' |
                iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
            "$NERA_WINE" regedit "$reg" >>"$log" 2>&1 ||
                { echo "wine-env.sh: the font replacements did not go into $WINEPREFIX (log: $log)" >&2; exit 1; }
            wineserver -w
            touch "$stamp"
        fi
    ) 9>"$NERA_WIN_BUILD/.wineprefix.lock"
}
