#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ file of the repository is formatted as .clang-format says.
set -u
cd "$(dirname "$0")/.." || exit 2
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 77; }
mapfile -d '' files < <(find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0)
report="$(clang-format --style=file --dry-run --Werror "${files[@]}" 2>&1)"
if [ -n "$report" ]; then
    echo "$report" | grep -oE '^[^:]+\.(cpp|h):' | sort -u | sed 's/:$//; s/^/not formatted (clang-format -i): /'
    exit 1
fi
echo "every file formatted (${#files[@]})"
