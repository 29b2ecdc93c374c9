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

# The PE headers up to the last of 16 data directories: DOS header naming "PE\0\0" at 0x40, COFF
# header, PE32 optional header whose security entry (directory 4) names $1 and $2; 0x138 bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
zeros() { head -c "$1" /dev/zero; }
pe_head() { # address size
    printf MZ; zeros $((0x3C - 2)); le32 $((0x40)); printf 'PE\0\0'; le16 $((0x14C)); zeros 14
    le16 $((96 + 16 * 8)); zeros 2; le16 $((0x10B)); zeros 90; le32 16; zeros 32; le32 "$1"; le32 "$2"; zeros 88
}
# A table of one certificate entry of 16 bytes.
table() { le32 16; le16 $((0x200)); le16 2; printf 'CERTDATA'; }
# A signed seed $1: a front of $front bytes whose first bytes are pe_head $2 $3, then what the
# command $4 writes.
signed() { # name address size tail-command
    { printf '\x05'; be24 "$front"; printf '\x01\x38'; pe_head "$2" "$3"; eval "$4"; } >"$out/$1"
}
# The image ends 0x44 bytes into the front, so that the table after the trailer starts on a
# multiple of 8.
front=$((0x8044)) table_at=$((0x8044 + 20))
signed signed-pe32 $table_at 16 "trailer 5.8.0 $((0x8000)); table"
signed signed-n-beyond-the-table $table_at 16 "trailer 5.8.0 $((table_at - 19)); table"
signed signed-table-past-the-end $table_at 24 "trailer 5.8.0 $((0x8000)); table"
signed signed-table-not-last $table_at 16 "trailer 5.8.0 $((0x8000)); table; zeros 8"
signed signed-table-in-the-package $((table_at - 8)) 24 "trailer 5.8.0 $((0x8000)); table"
front=$((0x8045)) table_at=$((0x8045 + 20))
signed signed-table-misaligned $table_at 16 "trailer 5.8.0 $((0x8000)); table"

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
