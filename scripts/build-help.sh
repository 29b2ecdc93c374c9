#!/usr/bin/env bash
# Compiles NeraConfig's help file from help/NeraConfig: build-help.sh OUT_DIR
# writes OUT_DIR/NeraConfig.CHM (the program looks for the help file named like itself).
# The project and contents files are kept in UTF-8 and handed to chmcmd in code page 932,
# which the help viewer uses for a file whose language is Japanese; the pages declare UTF-8.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:?usage: build-help.sh OUT_DIR}
command -v chmcmd >/dev/null || { echo "build-help.sh: chmcmd is missing (package fp-utils)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/help/NeraConfig/*.htm "$root"/help/NeraConfig/*.css "$work"/
for f in NeraConfig.hhp toc.hhc; do
    iconv -f UTF-8 -t CP932 "$root/help/NeraConfig/$f" >"$work/$f"
done
sed -i 's/charset=utf-8/charset=shift_jis/I' "$work/toc.hhc"

# chmcmd reports a page that links to a missing file as a warning and still succeeds: such a
# help file is broken, so any warning or error fails the build.
log=$(cd "$work" && chmcmd NeraConfig.hhp 2>&1) || { echo "$log" >&2; exit 1; }
if grep -E -i '^(warning|error)' <<<"$log" >&2; then
    echo "build-help.sh: chmcmd reported problems" >&2
    exit 1
fi
mkdir -p "$out"
cp "$work/NeraConfig.CHM" "$out/NeraConfig.CHM"
echo "build-help.sh: $out/NeraConfig.CHM"
