#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNG sizes from corvalin.svg (needs rsvg-convert, Debian
# librsvg2-bin). The PNGs are committed so that a build needs no SVG renderer:
# run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" corvalin.svg -o "hicolor/${size}x${size}/apps/corvalin.png"
done
