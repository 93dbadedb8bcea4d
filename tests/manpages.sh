#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Each manual page names exactly the commands and options its program has.
# Usage: manpages.sh PAGE PROGRAM [PAGE PROGRAM ...]
set -u
problems=0

options_of() {  # the long options a help text names
    grep -oE -- '--[a-z][a-z-]*' | sort -u
}

subcommands_of() {  # the commands a help text lists
    sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && /^  [a-z]/ {print $1}'
}

while [ "$#" -ge 2 ]; do
    page="$1" program="$2"
    shift 2
    help="$("$program" --help)"
    commands="$(subcommands_of <<<"$help")"
    wanted="$(printf '%s\n' "$help" | options_of)"
    for command in $commands; do
        command_help="$("$program" "$command" --help)"
        wanted="$wanted"$'\n'"$(printf '%s\n' "$command_help" | options_of)"
        for sub in $(subcommands_of <<<"$command_help"); do
            wanted="$wanted"$'\n'"$("$program" "$command" "$sub" --help | options_of)"
        done
    done
    wanted="$(printf '%s\n' "$wanted" | sort -u | grep -v -- '^--help$' || true)"
    # The page as it reads: roff's escaped dashes become plain ones.
    text="$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")"
    documented="$(printf '%s\n' "$text" | options_of | grep -v -- '^--help$' || true)"

    for option in $wanted; do
        grep -qx -- "$option" <<<"$documented" ||
            { echo "$page: $option of $program is not described"; problems=$((problems + 1)); }
    done
    for option in $documented; do
        grep -qx -- "$option" <<<"$wanted" ||
            { echo "$page: $option is not an option of $program"; problems=$((problems + 1)); }
    done
    listed="$(printf '%s\n' "$text" | sed -n '/^\.SH COMMANDS/,/^\.SH [^C]/p' | awk '/^\.B [a-z]/ {print $2}')"
    for command in $commands; do
        grep -qx -- "$command" <<<"$listed" ||
            { echo "$page: command $command is not described"; problems=$((problems + 1)); }
    done
    for command in $listed; do
        grep -qx -- "$command" <<<"$commands" ||
            { echo "$page: $command is not a command of $program"; problems=$((problems + 1)); }
    done
done

if [ "$problems" -gt 0 ]; then exit 1; fi
echo "manual pages agree with the programs"
