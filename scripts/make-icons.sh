#!/usr/bin/env bash
# Draws the launcher's 32x32, 256-colour icons (run once; the .ico files are checked in).
# Usage: make-icons.sh OUTDIR
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
font=$(fc-match -f '%{file}' 'IPAGothic')
icon() { # file, colour, label, point size
    convert -size 32x32 xc:none -fill "$2" -stroke '#202020' -strokewidth 1 \
        -draw 'roundrectangle 1,1 30,30 6,6' -font "$font" -fill white -stroke none \
        -gravity center -pointsize "$4" -annotate +0+0 "$3" -colors 256 "$out/$1"
}
icon app.ico '#2f6db5' 'T' 20
icon number.ico '#6a4fb0' 'No' 14
icon flash.ico '#b5532f' 'FW' 13
icon neraconfig.ico '#2f8f5b' 'NC' 13
icon updater.ico '#c08a1e' 'UP' 13
icon ini.ico '#4f7f8f' 'INI' 11
icon spare139.ico '#777777' '?' 18
icon spare140.ico '#777777' '?' 18
icon clock.ico '#a83a62' 'RTC' 10
icon analog.ico '#3a8aa8' 'AI' 14
