#!/usr/bin/env bash
# Compiles the two help files: build-help.sh OUT_DIR writes
#   OUT_DIR/NeraConfig.CHM  NeraConfig's help (help/NeraConfig; the program looks for the help
#                           file named like itself)
#   OUT_DIR/NeraTools.chm   the user guide, made from the Markdown pages of docs/guide with
#                           cmark-gfm, with a contents tree and the keyword index of
#                           help/NeraTools/keywords.txt
# The project, contents and index files are written in UTF-8 and handed to chmcmd in code page
# 932, which the help viewer uses for a file whose language is Japanese; the pages declare
# UTF-8. The times chmcmd writes into a file are replaced by SOURCE_DATE_EPOCH (when set), so
# the same pages give the same file.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:?usage: build-help.sh OUT_DIR}
for tool in chmcmd:fp-utils cmark-gfm:cmark-gfm; do
    command -v "${tool%%:*}" >/dev/null || { echo "build-help.sh: ${tool%%:*} is missing (package ${tool#*:})" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sitemap frame of a contents or index file; the entries come on standard input.
sitemap() {
    printf '%s\n' '<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">' '<HTML>' '<HEAD>' \
        '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">' '</HEAD>' '<BODY>' '<UL>'
    cat
    printf '%s\n' '</UL>' '</BODY>' '</HTML>'
}
entry() { # name, page
    printf '<LI><OBJECT type="text/sitemap"><param name="Name" value="%s"><param name="Local" value="%s"></OBJECT>\n' "$1" "$2"
}

# The keyword index from a list of "keyword<TAB>page" lines (# starts a comment); a command,
# when given, turns each page into the one the index names.
index_from() { # keywords.txt [command]
    grep -v '^#' "$1" | while IFS=$'\t' read -r keyword page; do
        [ -n "$keyword" ] || continue
        [ -z "${2:-}" ] || page=$("$2" "$page") || exit 1
        entry "$keyword" "$page"
    done | sitemap
}

# Numbers in a compiled file: num FILE OFFSET u1|u2|u4|u8 reads one, put FILE OFFSET writes
# standard input there, u32le NUMBER gives four bytes, least significant first.
num() { od -An -t"$3" -j "$2" -N "${3#u}" "$1" | tr -d ' '; }
put() { dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
u32le() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }

# Where the data of entry CODE of the #SYSTEM file starts. #SYSTEM lies uncompressed in
# section 0: a version, then entries of a code, a length and the data.
system_entry() { # file.chm code
    local chm=$1 section0 sys offset end code length
    section0=$(num "$chm" 88 u8)
    read -r sys length < <(chmls list "$chm" 2>/dev/null | awk '$4 == "/#SYSTEM" && $1 == 0 { print $2, $3 }')
    [ -n "$sys" ] || { echo "build-help.sh: no #SYSTEM in $chm" >&2; return 1; }
    offset=$((section0 + sys + 4)) end=$((section0 + sys + length))
    while [ "$offset" -lt "$end" ]; do
        code=$(num "$chm" "$offset" u2) length=$(num "$chm" $((offset + 2)) u2)
        if [ "$code" = "$2" ]; then
            echo $((offset + 4))
            return 0
        fi
        offset=$((offset + 4 + length))
    done
    echo "build-help.sh: no entry $2 in the #SYSTEM of $chm" >&2
    return 1
}

# The times in a compiled file: the ITSF header's (offset 16) and the #SYSTEM file's entry 10,
# both the milliseconds of the day.
fix_times() { # file.chm
    local chm=$1 stamp at
    [ -n "${SOURCE_DATE_EPOCH:-}" ] || return 0
    stamp=$(( (SOURCE_DATE_EPOCH % 86400) * 1000 ))
    at=$(system_entry "$chm" 10) || return 1
    # Big-endian in the header.
    printf "\\x$(printf %02x $((stamp >> 24 & 255)))\\x$(printf %02x $((stamp >> 16 & 255)))\\x$(printf %02x $((stamp >> 8 & 255)))\\x$(printf %02x $((stamp & 255)))" | put "$chm" 16
    u32le "$stamp" | put "$chm" "$at"
}

# The project's DBCS=Yes (double-byte text, as a Japanese file holds), which chmcmd 3.2.2 reads
# but leaves out of the file: the second field of the #SYSTEM file's entry 4 (after the LCID).
mark_dbcs() { # folder, project, compiled name
    local at
    grep -qix 'DBCS=Yes' <(tr -d '\r' <"$1/$2") || return 0
    at=$(system_entry "$1/$3" 4) || return 1
    u32le 1 | put "$1/$3" $((at + 4))
}

# Compiles project.hhp in a folder; chmcmd reports a page that links to a missing file as a
# warning and still succeeds: such a help file is broken, so any warning or error fails.
compile() { # folder, project, compiled name
    local dir=$1 f log
    for f in "$dir"/*.hhp "$dir"/*.hhc "$dir"/*.hhk; do
        [ -f "$f" ] || continue
        sed -i 's/charset=utf-8/charset=shift_jis/I' "$f"
        iconv -f UTF-8 -t CP932 "$f" >"$f.932"
        mv "$f.932" "$f"
    done
    log=$(cd "$dir" && chmcmd "$2" 2>&1) || { echo "$log" >&2; exit 1; }
    if grep -E -i '^(warning|error)' <<<"$log" >&2; then
        echo "build-help.sh: chmcmd reported problems in $2" >&2
        exit 1
    fi
    fix_times "$dir/$3"
    mark_dbcs "$dir" "$2" "$3"
    mkdir -p "$out"
    cp "$dir/$3" "$out/$3"
    echo "build-help.sh: $out/$3"
}

# --- NeraConfig.CHM ------------------------------------------------------------------------
mkdir "$work/config"
cp "$root"/help/NeraConfig/*.htm "$root"/help/NeraConfig/*.css "$root"/help/NeraConfig/NeraConfig.hhp \
    "$root"/help/NeraConfig/toc.hhc "$work/config/"
index_from "$root/help/NeraConfig/keywords.txt" >"$work/config/index.hhk"
compile "$work/config" NeraConfig.hhp NeraConfig.CHM

# --- NeraTools.chm from docs/guide ---------------------------------------------------------
guide="$root/docs/guide" g="$work/guide"
mkdir "$g"
page_of() { # chapter file name
    if [ "$1" = README.md ]; then echo index.htm; else echo "${1%.md}.htm"; fi
}
chapter_of() { # page name
    if [ "$1" = index.htm ]; then echo README.md; else echo "${1%.htm}.md"; fi
}
title_of() { # chapter file
    sed -n 's/^# //p' "$1" | head -1
}
# The chapters in the order of the guide's own list of contents.
chapters=(README.md $(sed -n 's/^[0-9]*\. \[[^]]*\](\([^)#]*\.md\))$/\1/p' "$guide/README.md"))
for md in "$guide"/*.md; do
    [[ " ${chapters[*]} " == *" $(basename "$md") "* ]] ||
        { echo "build-help.sh: $(basename "$md") is in no entry of the guide's contents" >&2; exit 1; }
done
for chapter in "${chapters[@]}"; do
    page=$(page_of "$chapter")
    {
        printf '%s\n' '<!DOCTYPE html PUBLIC "-//W3C//DTD HTML 4.01//EN">' '<html lang="ja">' '<head>' \
            '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">' \
            "<title>$(title_of "$guide/$chapter")</title>" '<link rel="stylesheet" type="text/css" href="style.css">' \
            '</head>' '<body>'
        # Links between chapters go to their pages, pictures lie beside the pages, and each
        # second-level heading gets the anchor the contents tree points at.
        cmark-gfm -e table "$guide/$chapter" |
            sed -E 's/href="([a-z]+)\.md(#[^"]*)?"/href="\1.htm\2"/g; s/href="README\.htm/href="index.htm/g; s/src="\.\.\/([^"\/]+)"/src="\1"/g' |
            awk '/^<h2>/ { sub(/^<h2>/, "<h2 id=\"s" ++n "\">") } { print }'
        printf '%s\n' '</body>' '</html>'
    } >"$g/$page"
done
pictures=$(grep -oh 'src="[^"]*"' "$g"/*.htm | sed 's/src="//; s/"$//' | sort -u)
for p in $pictures; do
    cp "$root/docs/$p" "$g/$p"
done
cp "$root/help/NeraConfig/style.css" "$g/style.css"

{
    entry "$(title_of "$guide/README.md")" index.htm
    for chapter in "${chapters[@]:1}"; do
        page=$(page_of "$chapter")
        entry "$(title_of "$guide/$chapter")" "$page"
        grep -q '^## ' "$guide/$chapter" || continue
        echo '<UL>'
        sed -n 's/^## //p' "$guide/$chapter" | awk '{ print ++n "\t" $0 }' |
            while IFS=$'\t' read -r n heading; do entry "$heading" "$page#s$n"; done
        echo '</UL>'
    done
} | sitemap >"$g/toc.hhc"
# An index entry may name a section of a chapter by its heading, "page.htm#Heading": the anchor
# of the chapter's second-level heading of that text, so that it stays right when sections are
# added. "page.htm#sN" names the N-th one.
section_anchor() { # page#anchor
    local page=${1%%#*} heading=${1#*#} n
    if [ "$page" = "$1" ] || [[ "$heading" =~ ^s[0-9]+$ ]]; then
        echo "$1"
        return 0
    fi
    n=$(sed -n 's/^## //p' "$guide/$(chapter_of "$page")" 2>/dev/null | grep -nxF -- "$heading" | cut -d: -f1 | head -1)
    [ -n "$n" ] || { echo "build-help.sh: keywords.txt: $page has no section \"$heading\"" >&2; return 1; }
    echo "$page#s$n"
}
index_from "$root/help/NeraTools/keywords.txt" section_anchor >"$g/index.hhk"
{
    printf '%s\n' '[OPTIONS]' 'Compatibility=1.1 or later' 'Compiled file=NeraTools.chm' 'Contents file=toc.hhc' \
        'Index file=index.hhk' 'Binary Index=No' 'Default topic=index.htm' 'Display compile progress=No' 'Language=0x411 Japanese' \
        'DBCS=Yes' \
        "Title=$(title_of "$guide/README.md")" '' '[FILES]'
    for chapter in "${chapters[@]}"; do page_of "$chapter"; done
    printf '%s\n' $pictures style.css
} >"$g/NeraTools.hhp"
compile "$g" NeraTools.hhp NeraTools.chm
