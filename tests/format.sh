#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ file of the repository is formatted as .clang-format says.
set -u
cd "$(dirname "$0")/.." || exit 2
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 77; }
unformatted=0
while IFS= read -r -d '' file; do
    if ! clang-format --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (clang-format -i $file)"
        unformatted=$((unformatted + 1))
    fi
done < <(find src tests bench -name '*.cpp' -print0 -o -name '*.h' -print0)
if [ "$unformatted" -gt 0 ]; then
    echo "$unformatted file(s) not formatted"
    exit 1
fi
echo "every file formatted"
