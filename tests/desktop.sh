#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry and the AppStream metainfo validate, agree on the
# application's id, and the icon they name is there in every size.
# Usage: desktop.sh PACKAGING_DIR
# A validator that is not installed is skipped (exit 77 when none ran).
set -u
dir="$1"
id=io.github.corvalin.corvalin
desktop="$dir/$id.desktop"
metainfo="$dir/$id.metainfo.xml"
problems=0 ran=0

fail() { echo "$*"; problems=$((problems + 1)); }

if command -v desktop-file-validate >/dev/null; then
    ran=1
    # Hints count as problems too.
    out="$(desktop-file-validate "$desktop" 2>&1)"
    [ -z "$out" ] || fail "$out"
else
    echo "desktop-file-validate not installed (Debian desktop-file-utils): skipped"
fi
if command -v appstreamcli >/dev/null; then
    ran=1
    # --no-net: the screenshot's address is not fetched.
    # Pedantic notes count as problems too.
    if ! out="$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)" ||
        grep -qE '^[EWIP]:' <<<"$out"; then
        fail "$out"
    fi
else
    echo "appstreamcli not installed (Debian appstream): skipped"
fi

grep -q "<id>$id</id>" "$metainfo" || fail "$metainfo: id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "$metainfo: launchable is not $id.desktop"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -f "$dir/icons/$icon.svg" ] || fail "no scalable icon $dir/icons/$icon.svg"
for size in 16 32 48 64 128 256; do
    png="$dir/icons/hicolor/${size}x${size}/apps/$icon.png"
    # The PNG header's width and height, big-endian at bytes 16 to 23.
    dims="$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')"
    [ "$dims" = "${size}x${size}" ] || fail "$png: not a ${size}x${size} PNG (${dims:-missing})"
done

if [ "$problems" -gt 0 ]; then exit 1; fi
if [ "$ran" -eq 0 ]; then exit 77; fi
echo "desktop entry, metainfo and icons are valid"
