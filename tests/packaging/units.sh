#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# systemd accepts the logger's units, without a word against them.
# Usage: units.sh SYSTEM_UNIT USER_UNIT TEMPLATE_UNIT
set -eu
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT

# systemd-analyze ends well after mere warnings (an unknown key, a bad value):
# any line naming the unit fails the check.
verify() {
    local unit="$1" said
    shift
    said="$("$@" verify --man=no "$unit" 2>&1)" || { echo "$said"; return 1; }
    if grep -F "$(basename "$unit")" <<<"$said"; then return 1; fi
}

verify "$1" systemd-analyze
# The system unit keeps the logger to what it needs: an exposure of 3.0 at most.
report="$(systemd-analyze security --offline=true --threshold=30 "$1")" || {
    echo "$report"
    exit 1
}
echo "${report##*$'\n'}"
XDG_RUNTIME_DIR="$runtime" verify "$2" systemd-analyze --user
# A template is checked as the unit of one instance.
mkdir "$runtime/units"
instance="$runtime/units/$(basename "$3" .service)attic.service"
cp "$3" "$instance"
verify "$instance" systemd-analyze
echo "units verified"
