#!/usr/bin/env bash
# Builds the release of the Nera tools into build/release/:
#   NeraTools-VERSION.msi   installer (per machine, 32-bit Program Files folder)
#   NeraTools-VERSION.zip   the same files for use without installing
#   SHA256SUMS              SHA-256 sums of the two
# VERSION is the launcher's version. Options:
#   --tree DIR       package the programs of this Windows build tree (default build/win32, the
#                    i686 deliverable, which is set up and built first)
#   --out DIR        write the release there (default build/release)
#   --version V      product version instead of the launcher's (tests build upgrades with it)
#   --no-build       package the tree as it is
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${NERA_BUILD:-$root/build}"
tree="$build/win32" out="$build/release" version="" do_build=1
while [ $# -gt 0 ]; do
    case "$1" in
        --tree) tree=$(realpath -m "$2"); shift ;;
        --out) out=$(realpath -m "$2"); shift ;;
        --version) version=$2; shift ;;
        --no-build) do_build=0 ;;
        *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

programs=(Tesk4861Tools.exe NeraConfig.exe NeraUpdater.exe nera.exe)
libraries=(Kivo5120.dll Q5120Common.dll nerasim.exe)

if [ "$do_build" = 1 ]; then
    bash "$root/scripts/setup.sh"
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
if [ -z "$version" ]; then
    version=$(sed -n 's/^FILEVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
        "$root/Tesk4861Tools/Tesk4861Tools.rc")
fi
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "release.sh: bad version '$version'" >&2; exit 1; }

# The PE machine field: 014c for i686, 8664 for x86_64.
machine() {
    od -An -tx2 -j "$(($(od -An -tu4 -j 60 -N 4 "$1") + 4))" -N 2 "$1" | tr -d ' '
}
if [ "$(machine "$tree/bin/Tesk4861Tools.exe")" != 014c ]; then
    echo "release.sh: note: $tree holds no i686 programs; this package is for tests, not the deliverable"
fi

stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage/NeraTools" "$stage/msi"
for f in "${programs[@]}" "${libraries[@]}"; do
    cp "$tree/bin/$f" "$stage/NeraTools/"
done
bash "$root/scripts/build-help.sh" "$stage/NeraTools" >/dev/null
cp "$stage/NeraTools"/* "$stage/msi/"
cp "$root/Tesk4861Tools/res/app.ico" "$stage/msi/NeraTools.ico"

name="NeraTools-$version"
rm -f "$out/$name.msi" "$out/$name.zip" "$out/SHA256SUMS"

# wixl finds the files in its working folder. Its database has code page 1252: the Japanese
# texts and what wixl cannot express are applied afterwards, in code page 932.
msi="$out/$name.msi"
(cd "$stage/msi" && wixl -a x86 -D Version="$version" -o "$msi" "$root/installer/NeraTools.wxs")
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
msibuild "$msi" -i "$stage/_ForceCodepage.idt"
while IFS= read -r query; do
    [ -n "$query" ] || continue
    msibuild "$msi" -q "${query//@VERSION@/$version}"
done <"$root/installer/after-wixl.sql"
msibuild "$msi" -s "Nera Tools" "Nera Tools" "Intel;1041" "{$(tr 'a-f' 'A-F' </proc/sys/kernel/random/uuid)}"

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

(cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip NeraTools)
(cd "$out" && sha256sum "$name.msi" "$name.zip" >SHA256SUMS)
rm -rf "$stage"
echo "release.sh: $msi"
echo "release.sh: $out/$name.zip"
echo "release.sh: $out/SHA256SUMS"
