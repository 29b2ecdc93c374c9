#!/usr/bin/env bash
# Builds the release of the Nera tools into build/release/:
#   NeraTools-VERSION.msi   installer (per machine, 32-bit Program Files folder)
#   NeraTools-VERSION.zip   the same files for use without installing
#   SHA256SUMS              SHA-256 sums of the two
#   symbols/                the debugging symbols of each program and DLL (NAME.debug), which
#                           the packages leave out; each packaged file names its symbol file
# VERSION is the launcher's version. Options:
#   --tree DIR       package the programs of this Windows build tree (default build/win32, the
#                    i686 deliverable, which is set up and built first)
#   --out DIR        write the release there (default build/release)
#   --version V      product version instead of the launcher's (tests build upgrades with it)
#   --no-build       package the tree as it is
#   --no-setup       build without running scripts/setup.sh first
#   --sign PFX       sign the programs, the DLLs and the installer with the certificate and key
#                    in PFX, whose password is read from NERA_SIGN_PASSWORD; a time stamp comes
#                    from NERA_SIGN_TIMESTAMP (an RFC 3161 server) when it is set and answers
#
# Two runs from one commit give the same programs, help files and zip, whichever folder the
# tree is built in: the build leaves no time or folder in the programs (cmake/NeraBuild.cmake)
# and every time here is SOURCE_DATE_EPOCH, by default the commit's time.
set -euo pipefail
# A step that fails ends the script (set -e): say which.
trap 'echo "release.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
tree="$build/win32" out="$build/release" version="" do_build=1 do_setup=1 pfx=""
while [ $# -gt 0 ]; do
    case "$1" in
        --tree) tree=$(realpath -m "$2"); shift ;;
        --out) out=$(realpath -m "$2"); shift ;;
        --version) version=$2; shift ;;
        --no-build) do_build=0 ;;
        --no-setup) do_setup=0 ;;
        --sign) pfx=$(realpath -m "$2"); shift ;;
        *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
if [ -n "$pfx" ]; then
    [ -f "$pfx" ] || { echo "release.sh: no certificate file $pfx" >&2; exit 2; }
    [ -n "${NERA_SIGN_PASSWORD+set}" ] || { echo "release.sh: --sign needs NERA_SIGN_PASSWORD" >&2; exit 2; }
fi
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

programs=(Tesk4861Tools.exe NeraConfig.exe NeraUpdater.exe nera.exe)
libraries=(Kivo5120.dll Q5120Common.dll nerasim.exe)

if [ "$do_build" = 1 ]; then
    [ "$do_setup" = 0 ] || bash "$root/scripts/setup.sh"
    if [ ! -f "$tree/CMakeCache.txt" ]; then
        case "$(basename "$tree")" in
            win64) toolchain=x86_64 ;;
            *) toolchain=i686 ;;
        esac
        cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" >/dev/null
    fi
    # The shipped NeraUpdater.exe is the bare program with the demonstration package appended.
    targets=()
    for f in "${programs[@]}" "${libraries[@]}"; do
        case "$f" in
            NeraUpdater.exe) targets+=(NeraUpdater_bare_package) ;;
            *) targets+=("${f%.*}") ;;
        esac
    done
    cmake --build "$tree" -j "$(nproc)" --target "${targets[@]}"
fi

for f in "${programs[@]}" "${libraries[@]}"; do
    [ -f "$tree/bin/$f" ] || { echo "release.sh: $tree/bin/$f is missing" >&2; exit 1; }
done
[ -f "$tree/bare/NeraUpdater.exe" ] || { echo "release.sh: $tree/bare/NeraUpdater.exe is missing" >&2; exit 1; }
if [ -z "$version" ]; then
    version=$(sed -n 's/^FILEVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
        "$root/Tesk4861Tools/Tesk4861Tools.rc")
fi
[[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || { echo "release.sh: bad version '$version'" >&2; exit 1; }
# The installer's downgrade check compares this text: each field as five digits.
version_key=$(printf '%05d.%05d.%05d.%05d' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}")

# The PE machine field: 014c for i686, 8664 for x86_64.
machine() {
    od -An -tx2 -j "$(($(od -An -tu4 -j 60 -N 4 "$1") + 4))" -N 2 "$1" | tr -d ' '
}
case "$(machine "$tree/bin/Tesk4861Tools.exe")" in
    014c) objcopy=i686-w64-mingw32-objcopy ;;
    8664) objcopy=x86_64-w64-mingw32-objcopy
          echo "release.sh: note: $tree holds no i686 programs; this package is for tests, not the deliverable" ;;
    *) echo "release.sh: $tree/bin/Tesk4861Tools.exe is no Windows program" >&2; exit 1 ;;
esac

stage="$out/stage" symbols="$out/symbols"
rm -rf "$stage" "$symbols"
mkdir -p "$stage/NeraTools" "$stage/msi" "$symbols"

# Stripped copy of a program (the linked file of the program: for NeraUpdater the bare one)
# and its symbols in symbols/NAME.debug, which the copy names with its CRC.
strip_into() { # linked file, packaged name
    local debug="$symbols/$2.debug"
    "$objcopy" --only-keep-debug "$1" "$debug"
    (cd "$symbols" && "$objcopy" --strip-all --add-gnu-debuglink="$2.debug" "$1" "$stage/NeraTools/$2")
}
for f in "${programs[@]}" "${libraries[@]}"; do
    if [ "$f" = NeraUpdater.exe ]; then
        # The package the build appended to the bare program goes after the stripped one: the
        # image and its trailer, whose last three bytes give the image's length, after zero bytes
        # that make the file a multiple of 8 bytes (as nerapack does), so that a signature's
        # table follows the trailer directly and the updater finds its package in front of it.
        bare="$tree/bare/NeraUpdater.exe"
        size=$(stat -c %s "$bare") total=$(stat -c %s "$tree/bin/$f")
        cmp -s -n "$size" "$bare" "$tree/bin/$f" ||
            { echo "release.sh: $tree/bin/$f is not $bare with a package" >&2; exit 1; }
        read -r b2 b1 b0 < <(od -An -tu1 -j "$((total - 3))" -N 3 "$tree/bin/$f")
        package=$((b2 * 65536 + b1 * 256 + b0 + 20))
        [ "$package" -le "$((total - size))" ] ||
            { echo "release.sh: $tree/bin/$f carries no package after $bare" >&2; exit 1; }
        strip_into "$bare" "$f"
        head -c "$(( (8 - ($(stat -c %s "$stage/NeraTools/$f") + package) % 8) % 8 ))" /dev/zero >>"$stage/NeraTools/$f"
        tail -c "$package" "$tree/bin/$f" >>"$stage/NeraTools/$f"
    else
        strip_into "$tree/bin/$f" "$f"
    fi
done
bash "$root/scripts/build-help.sh" "$stage/NeraTools" >/dev/null

# Signing, before the files are packed; time-stamp arguments once a server has answered.
stamp=()
sign() { # file, extra arguments of osslsigncode...
    local file=$1 signed="$1.signed"
    shift
    rm -f "$signed"
    timeout 120 osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "$NERA_SIGN_PASSWORD") \
        -n "Nera Tools" -h sha256 "$@" -in "$file" -out "$signed" >/dev/null || return 1
    mv "$signed" "$file"
}
if [ -n "$pfx" ]; then
    first=$stage/NeraTools/${programs[0]}
    if [ -n "${NERA_SIGN_TIMESTAMP:-}" ] && sign "$first" -ts "$NERA_SIGN_TIMESTAMP" 2>/dev/null; then
        stamp=(-ts "$NERA_SIGN_TIMESTAMP")
    else
        [ -z "${NERA_SIGN_TIMESTAMP:-}" ] ||
            echo "release.sh: note: no answer from the time-stamp server $NERA_SIGN_TIMESTAMP; signing without a time stamp"
        sign "$first" || { echo "release.sh: signing $first failed" >&2; exit 1; }
    fi
    for f in "${programs[@]:1}" "${libraries[@]}"; do
        sign "$stage/NeraTools/$f" "${stamp[@]}" || { echo "release.sh: signing $f failed" >&2; exit 1; }
    done
else
    echo "release.sh: note: no --sign: the programs and the installer are not signed"
fi

cp "$stage/NeraTools"/* "$stage/msi/"
cp "$root/Tesk4861Tools/res/app.ico" "$stage/msi/NeraTools.ico"
# The zip's readme, for Notepad: UTF-8 with a byte-order mark, CRLF line ends.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/installer/readme.txt"; } >"$stage/NeraTools/readme.txt"
# Every packed file carries the source's time and the same mode.
find "$stage" -type f -exec chmod 644 {} + -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

name="NeraTools-$version"
rm -f "$out/$name.msi" "$out/$name.zip" "$out/SHA256SUMS"

# The product and package codes follow from the packed files and the version: the same
# files give the same codes (and the same package), other files other codes.
guid_of() { # text
    sha256sum <<<"$1" | tr 'a-f' 'A-F' | sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/\1-\2-\3-\4-\5/'
}
contents=$(cd "$stage/msi" && sha256sum ./* "$root/installer/NeraTools.wxs" "$root/installer/after-wixl.sql" |
    cut -d' ' -f1 | sha256sum | cut -d' ' -f1)
product_code=$(guid_of "product $version $contents")
package_code=$(guid_of "package $version $contents")

# wixl finds the files in its working folder. Its database has code page 1252: the Japanese
# texts and what wixl cannot express are applied afterwards, in code page 932.
msi="$out/$name.msi"
(cd "$stage/msi" && wixl -a x86 -D Version="$version" -D VersionKey="$version_key" -D ProductCode="$product_code" \
    -o "$msi" "$root/installer/NeraTools.wxs")
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
msibuild "$msi" -i "$stage/_ForceCodepage.idt"
while IFS= read -r query; do
    [ -n "$query" ] || continue
    msibuild "$msi" -q "${query//@VERSION@/$version}"
done <"$root/installer/after-wixl.sql"
msibuild "$msi" -s "Nera Tools" "Nera Tools" "Intel;1041" "{$package_code}"
# msibuild stamps the summary's creation and save times (two adjacent FILETIME properties, type
# 0x40) with the clock; they become SOURCE_DATE_EPOCH, the only bytes that differed between two
# builds of the same files. (Not grep: it matches within lines, and a time with a byte 0x0A in
# it was not found, which ended the script without a word.)
at=$(perl -0777 -ne 'print "$-[0]\n" while /\x40\0\0\0.{8}\x40\0\0\0.{8}/sg' "$msi")
if [ "$(wc -w <<<"$at")" = 1 ]; then
    filetime=$(( (SOURCE_DATE_EPOCH + 11644473600) * 10000000 ))
    bytes=$(for i in 0 1 2 3 4 5 6 7; do printf '\\x%02x' $(( (filetime >> (8 * i)) & 255 )); done)
    for offset in $((at + 4)) $((at + 16)); do
        printf "$bytes" | dd of="$msi" bs=1 seek="$offset" conv=notrunc status=none
    done
else
    echo "release.sh: note: the installer's summary times were not found; they stay those of this build"
fi

# An update that matched no row changes nothing and reports nothing: every Japanese text must
# now be in the database. (No grep -q at the end of a pipe: it may stop reading before the
# writer is done, and pipefail then reports the writer's broken pipe.)
tables=$(for t in Shortcut Feature LaunchCondition; do msiinfo export "$msi" "$t"; done)
grep -o "'[^']*'" "$root/installer/after-wixl.sql" | tr -d "'" | LC_ALL=C grep -P '[^\x00-\x7f]' |
    while IFS= read -r text; do
        grep -qF -- "$text" <<<"$tables" || { echo "release.sh: not in the installer: $text" >&2; exit 1; }
    done
msiinfo export "$msi" Upgrade | grep -F $'\t769\t\tNERA_OLDER_FOUND' >/dev/null ||
    { echo "release.sh: the upgrade row was not replaced" >&2; exit 1; }
if [ -n "$pfx" ]; then
    sign "$msi" "${stamp[@]}" || { echo "release.sh: signing $msi failed" >&2; exit 1; }
fi

# Files in name order, times of the source, no extra attributes of this machine.
(cd "$stage" && find NeraTools -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q -@ "$out/$name.zip")
(cd "$out" && sha256sum "$name.msi" "$name.zip" >SHA256SUMS)
rm -rf "$stage"
echo "release.sh: $msi"
echo "release.sh: $out/$name.zip"
echo "release.sh: $out/SHA256SUMS"
echo "release.sh: $symbols"
