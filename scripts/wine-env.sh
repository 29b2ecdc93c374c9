# Sourced by the scripts that run Windows programs: the Wine set-up every run shares.
# NERA_WIN_BUILD names the i686 build folder; the Wine prefix lives inside it.

: "${NERA_WIN_BUILD:?NERA_WIN_BUILD must name the Windows build folder}"
export WINEPREFIX="${WINEPREFIX:-$NERA_WIN_BUILD/wineprefix}"
# LC_ALL (not LANG alone) makes the ANSI code page 932, as on a Japanese system.
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# 32-bit Windows programs need the 32-bit Wine loader, which needs a kernel that runs 32-bit
# Linux programs. Some kernels have that switched off; there only 64-bit programs run.
nera_wine_runs_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
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
            "$NERA_WINE" wineboot -i >/dev/null 2>&1 || true
            local reg="$WINEPREFIX/nera-fonts.reg"
            printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
                '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
                '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
                '"MS UI Gothic"="IPAPGothic"' '"MS Shell Dlg"="IPAPGothic"' '' \
                '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' '"Managed"="N"' '' |
                iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
            "$NERA_WINE" regedit "$reg" >/dev/null 2>&1
            wineserver -w
            touch "$stamp"
        fi
    ) 9>"$NERA_WIN_BUILD/.wineprefix.lock"
}
