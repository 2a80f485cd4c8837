#!/usr/bin/env bash
# The manual pages say what the programs say: every option of --help is in the
# page, and the page carries the --version line.
# Usage: manual_pages_test.sh MANDIR PROGRAM...
set -u
mandir=$1
shift
failures=0
fail()
{
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for program in "$@"; do
    name=$(basename "$program")
    page="$mandir/$name.1.gz"
    [[ -s $page ]] || {
        fail "$page is missing"
        continue
    }
    text=$(zcat "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g; s/\\,//g; s/\\\///g')
    help=$("$program" --help) || fail "$name --help failed"
    version=$("$program" --version) || fail "$name --version failed"
    [[ $version == "$name "* ]] || fail "$name --version printed '$version'"
    grep -qF "\"$version\"" <<<"$text" || fail "$name: the page is not of '$version'"
    options=$(grep -oE '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u)
    [[ -n $options ]] || fail "$name --help lists no option"
    for option in $options; do
        grep -qF -- "$option" <<<"$text" || fail "$name: $option of --help is not in the page"
    done
    # Every described line of --help, bar the synopsis, appears in the page.
    while IFS= read -r line; do
        words=$(sed -E 's/^ +//; s/ {2,}.*//' <<<"$line")
        [[ -z $words || $line == Usage:* ]] && continue
        grep -qF -- "$words" <<<"$text" || fail "$name: '$words' of --help is not in the page"
    done <<<"$help"
done
exit $((failures > 0))
