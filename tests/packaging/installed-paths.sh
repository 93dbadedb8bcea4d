#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# An install staged into a scratch folder puts every file that the manual
# pages name (in FILES and BASH COMPLETION) where they say, and each package's documentation
# (README, copyright) into its folder. Usage: installed-paths.sh BUILD_DIR PREFIX
set -u
build="$1" prefix="$2"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
problems=0
fail() { echo "$*"; problems=$((problems + 1)); }

DESTDIR="$stage" cmake --install "$build" >/dev/null || { echo "install failed"; exit 1; }

for page in "$build"/packaging/man/*.1; do
    grep -q '@[A-Z_]*@' "$page" && fail "$page: a path left unfilled"
    # The paths of FILES and BASH COMPLETION: ".I /path" lines and \fI/path\fR in the text.
    while read -r path; do
        [ -e "$stage$path" ] || fail "$(basename "$page"): $path is not installed"
    done < <(sed -n -e '/^\.SH FILES/,/^\.SH/p' -e '/^\.SH BASH COMPLETION/,/^\.SH/p' "$page" |
             sed 's/\\-/-/g' |
             grep -oE '(^\.I |\\fI)/[^ \\]+' | sed -E 's/^(\.I |\\fI)//' |
             grep -v '^/var/' | grep -v 'NAME')  # the admin's own, one per station
done

for package in corvalin-cli corvalind corvalin corvalin-graph; do
    doc="$stage$prefix/share/doc/$package"
    [ "$package" = corvalin ] || [ "$package" = corvalin-graph ] || [ -d "$doc" ] ||
        fail "no $doc"
    [ -d "$doc" ] || continue
    for file in README copyright; do
        [ -s "$doc/$file" ] || fail "$doc/$file is missing"
    done
done
[ -s "$stage$prefix/share/doc/corvalind/examples/corvalind.conf" ] || fail "no sample configuration"

if [ "$problems" -gt 0 ]; then exit 1; fi
echo "the manual pages name the installed paths"
