#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completions complete in plain bash (no bash-completion package)
# without a word on stderr, and with the package when it is installed.
# Usage: completion.sh COMPLETION_DIR BIN_DIR
set -u
dir="$1" bin="$2"
problems=0
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/files/folder" && touch "$scratch/files/log.csv"

# Completes LINE (the cursor at its end) in a fresh plain bash with the
# files of $dir sourced, after $1 (a file to source first, or "") ; prints
# the candidates, one a line.
complete_line() {
    local first="$1" line="$2"
    PATH="$bin:$PATH" bash --norc --noprofile -c '
        first="$1" dir="$2" line="$3"
        [ -n "$first" ] && . "$first"
        . "$dir/corvalin-cli"
        . "$dir/corvalind"
        # Only a completion that Tab starts may change its options.
        compopt() { :; }
        read -r -a COMP_WORDS <<<"$line"
        [[ "$line" == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="$line" COMP_POINT=${#line}
        function="$(complete -p "${COMP_WORDS[0]}" | sed -n "s/.*-F \([^ ]*\) .*/\1/p")"
        "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"
    ' bash "$first" "$dir" "$line"
}

expect() {  # FIRST LINE WANTED...: each WANTED is among the candidates, stderr stays empty
    local first="$1" line="$2"
    shift 2
    local got
    got="$(complete_line "$first" "$line" 2>"$scratch/err")"
    if [ -s "$scratch/err" ]; then
        echo "${first:-plain bash}: \"$line\" wrote: $(cat "$scratch/err")"
        problems=$((problems + 1))
    fi
    local wanted
    for wanted in "$@"; do
        grep -qxF -- "$wanted" <<<"$got" || {
            echo "${first:-plain bash}: \"$line\" does not offer $wanted (offers: $(tr '\n' ' ' <<<"$got"))"
            problems=$((problems + 1))
        }
    done
}

card="$scratch/card"
for first in "" /usr/share/bash-completion/bash_completion; do
    [ -z "$first" ] || [ -f "$first" ] || continue
    expect "$first" "corvalin-cli sta" status
    expect "$first" "corvalin-cli --simulate settings set un" unit=
    expect "$first" "corvalin-cli archive --format " csv influx openmetrics
    expect "$first" "corvalin-cli import --file $scratch/files/l" "$scratch/files/log.csv"
    expect "$first" "corvalin-cli --data-dir $scratch/files/f" "$scratch/files/folder"
    expect "$first" "corvalin-cli --simulate --sim-card $card download CH" CH1.CSV CH7.CSV
    expect "$first" "corvalind --card" --card-time
    expect "$first" "corvalind --card-time s" station
    expect "$first" "corvalind --config $scratch/files/l" "$scratch/files/log.csv"
done

if [ "$problems" -gt 0 ]; then exit 1; fi
echo "completions work in plain bash"
