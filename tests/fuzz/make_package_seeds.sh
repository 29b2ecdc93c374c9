#!/usr/bin/env bash
# Writes the hand-made seeds of the package fuzz target into corpus/package (see the input
# layout in package_fuzz.cpp): packages at and around the length limits, with a generated
# front so that each seed holds only the trailer and a few bytes, and signed ones, whose PE
# headers come as the head of the front and whose certificate table follows the trailer. The
# seed whose version record counts is cut from a real package that the native nerapack builds.
# Usage: make_package_seeds.sh NERAPACK
set -euo pipefail
nerapack=${1:?native nerapack}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/corpus/package"
mkdir -p "$out"
key='\x3a\x6c\x15\xe2\x9b\x40\xd7\x58'

# The 24-bit number $1 as three bytes, most significant first.
be24() { printf "\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 & 255)))"; }
# A trailer: eight bytes of version text ($1, printf escapes, zero-filled), the key, a zero byte,
# the image length N ($2).
trailer() {
    local text
    text=$(printf "$1" | head -c 8 | od -An -tx1 | tr -d ' \n')
    printf "$1" | head -c 8
    head -c $((8 - ${#text} / 2)) /dev/zero
    printf "$key\\x00"
    be24 "$2"
}
# A seed with a generated front of $2 bytes before the trailer of $3 (text) and $4 (N); $1 flags.
seed() { # name flags front text n
    { printf "\\x$(printf %02x "$2")"; be24 "$3"; trailer "$4" "$5"; } >"$out/$1"
}

seed n-80000-largest 1 $((0x80000 + 0x40)) '5.8.0' $((0x80000))
seed n-80001-too-large 1 $((0x80001 + 0x40)) '5.8.0' $((0x80001))
seed n-7f81-smallest 1 $((0x7F81 + 0x10)) '5.8.0' $((0x7F81))
seed n-7f80-below-smallest 1 $((0x7F80 + 0x10)) '5.8.0' $((0x7F80))
seed n-8000-beyond-the-file 1 $((0x100)) '5.8.0' $((0x8000))
seed n-8000-exactly-the-file 1 $((0x8000)) '12345678' $((0x8000))
seed image-read-fails 3 $((0x8000 + 0x40)) '5.8.0' $((0x8000))
seed version-not-in-code-page 1 $((0x8000 + 0x40)) '\x82\xa0\x80\x81' $((0x8000))
{ printf '\x00'; trailer '5.8.0' 0; } >"$out/n-0-whole-file"
{ printf '\x00'; trailer '5.8.0' $((0x7F81)) | head -c 19; } >"$out/shorter-than-a-trailer"

be16() { printf "\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 & 255)))"; }
# Little-endian numbers and zero bytes for the PE headers.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
zeros() { head -c "$1" /dev/zero; }
# PE headers up to the last of 16 data directories: DOS header naming "PE\0\0" at 0x40, the
# COFF header, the optional header of magic $1 with $2 directories, the security entry (4)
# naming $3 and $4.
pe_head() { # magic count address size
    local count_at=$((${1} == 0x10B ? 92 : 108))
    printf MZ; zeros $((0x3C - 2)); le32 $((0x40)); printf 'PE\0\0'
    le16 $((${1} == 0x10B ? 0x14C : 0x8664)); zeros 14; le16 $((count_at + 4 + 16 * 8)); zeros 2
    le16 "$1"; zeros $((count_at - 2)); le32 "$2"; zeros 32; le32 "$3"; le32 "$4"; zeros $((11 * 8))
}
# A table of one certificate entry of 16 bytes.
table() { le32 16; le16 $((0x200)); le16 2; printf 'CERTDATA'; }
# A signed file $1: a front of $front bytes whose first bytes are pe_head $3 $4 $5 $6, then the
# bytes the command $7 writes; $2 the flags besides "front" and "head".
signed() { # name flags magic count address size tail-command
    local head
    head=$(mktemp)
    pe_head "$3" "$4" "$5" "$6" >"$head"
    { printf "\\x$(printf %02x $(($2 | 5)))"; be24 "$front"; be16 "$(stat -c %s "$head")"; cat "$head"; eval "$7"; } \
        >"$out/$1"
    rm -f "$head"
}

# The image ends 0x44 bytes into the front, so that the table after the trailer starts on a
# multiple of 8.
front=$((0x8044)) table_at=$((0x8044 + 20))
signed signed-pe32 0 0x10B 16 $table_at 16 "trailer 5.8.0 $((0x8000)); table"
signed signed-pe32plus 0 0x20B 16 $table_at 16 "trailer 5.8.0 $((0x8000)); table"
signed signed-image-read-fails 2 0x10B 16 $table_at 16 "trailer 5.8.0 $((0x8000)); table"
signed signed-n-beyond-the-table 0 0x10B 16 $table_at 16 "trailer 5.8.0 $((table_at - 19)); table"
signed signed-table-past-the-end 0 0x10B 16 $table_at 24 "trailer 5.8.0 $((0x8000)); table"
signed signed-table-not-last 0 0x10B 16 $table_at 16 "trailer 5.8.0 $((0x8000)); table; zeros 8"
signed signed-table-in-the-package 0 0x10B 16 $((table_at - 8)) 24 "trailer 5.8.0 $((0x8000)); table"
signed signed-four-directories 0 0x10B 4 $table_at 16 "trailer 5.8.0 $((0x8000))"
front=$((0x8045)) table_at=$((0x8045 + 20))
signed signed-table-misaligned 0 0x10B 16 $table_at 16 "trailer 5.8.0 $((0x8000)); table"

# An image of 0x8020 bytes whose version record (the last 32 bytes) counts and says 5.8.3.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{ head -c $((0x8000)) /dev/zero | tr '\0' '\132'; printf '\x00\x00\x00\x00\x40\x01\x00\x01\x00\x05\x08\x03'
  head -c 20 /dev/zero; } >"$work/image"
head -c $((0x40)) /dev/zero >"$work/updater"
"$nerapack" --updater "$work/updater" --image "$work/image" --version 5.8.3 --key 3A6C15E29B40D758 \
    --out "$work/package" >/dev/null
# The package pads the image with 0xFF to 0x8080 bytes, so the record starts 128 bytes before
# the trailer: the seed keeps the last 128 + 20 bytes.
{ printf '\x01'; be24 $(($(stat -c %s "$work/package") - 148)); tail -c 148 "$work/package"; } \
    >"$out/record-counts"
