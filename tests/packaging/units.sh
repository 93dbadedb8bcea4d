#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# systemd accepts the logger's units. Usage: units.sh SYSTEM_UNIT USER_UNIT
set -eu
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
systemd-analyze verify --man=no "$1"
# The system unit keeps the logger to what it needs: an exposure of 3.0 at most.
report="$(systemd-analyze security --offline=true --threshold=30 "$1")" || {
    echo "$report"
    exit 1
}
echo "${report##*$'\n'}"
XDG_RUNTIME_DIR="$runtime" systemd-analyze --user verify --man=no "$2"
echo "units verified"
