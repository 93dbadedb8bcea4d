#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers, read from the code's own includes: each folder of the core
# includes only folders below it, the core knows no Qt, and the faces reach
# the station only through the session. SRC overrides the tree (tests of the
# check itself).
set -u
cd "${SRC:-$(dirname "$0")/../src}" || exit 2

order=(common device protocol sim config store history graph archive summary app session logger alert publish)
rank() {
    local i
    for i in "${!order[@]}"; do
        if [ "${order[$i]}" = "$1" ]; then echo "$i"; return; fi
    done
    echo 99
}

problems=0
report() { echo "$1"; problems=$((problems + 1)); }

for folder in "${order[@]}"; do
    mine=$(rank "$folder")
    while IFS=: read -r file include; do
        [ -n "$include" ] || continue
        target=${include#\#include \"}
        target=${target%%/*}
        if [ "$(rank "$target")" -gt "$mine" ]; then report "core/$file includes $target/"; fi
    done < <(cd core && grep -rHoE '#include "[a-z]+/' "$folder")
done
# The core and the command-line tool know no Qt (the tool loads the graph module).
while read -r file; do report "$file includes Qt"; done < <(grep -rlE '#include <Q' core cli)
# The faces, the logger's services and those that read decoded readings
# never reach the wire.
while read -r line; do report "$line"; done < <(grep -rnE '#include "(device|protocol)/' cli gui options chart daemon service notify sharedarchive)
while read -r line; do report "$line"; done < <(grep -rnE '#include "protocol/' core/publish core/archive core/alert)
while read -r line; do report "$line"; done < <(grep -rnE '#include "gui/' cli core options chart daemon service notify sharedarchive)
# The network services link only into the logger; the shared archive's
# client only into the logger and the command-line tool.
while read -r line; do report "$line"; done < <(grep -rnE '#include "(service|daemon)/' cli gui options chart core notify sharedarchive)
while read -r line; do report "$line"; done < <(grep -rnE '#include "sharedarchive/' gui options chart core service notify)

if [ "$problems" -gt 0 ]; then
    echo "$problems include(s) against the layers"
    exit 1
fi
echo "layers hold"
