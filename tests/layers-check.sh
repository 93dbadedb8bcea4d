#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers check itself: each kind of forbidden include, planted in a copy
# of the tree, makes it fail.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
plants=(
    'core/publish/MqttMessages.cpp|#include "protocol/WireValues.h"'
    'core/alert/AlertMonitor.cpp|#include "protocol/WireValues.h"'
    'notify/SinkWorker.cpp|#include "service/HttpServer.h"'
    'core/archive/ArchiveExport.cpp|#include "protocol/Protocol.h"'
    'cli/main.cpp|#include "device/Report.h"'
    'daemon/Daemon.cpp|#include "protocol/Protocol.h"'
    'gui/main.cpp|#include "service/MqttPublisher.h"'
    'cli/main.cpp|#include "service/HttpServer.h"'
    'core/common/Text.cpp|#include <QString>'
    'core/store/OleDate.cpp|#include "history/LogLine.h"'
    'gui/main.cpp|#include "sharedarchive/ArchiveServer.h"'
    'core/archive/ArchiveExport.cpp|#include "sharedarchive/PgConnection.h"'
    'sharedarchive/ArchiveServer.cpp|#include "device/Report.h"'
    'sharedarchive/ArchiveServer.cpp|#include "service/MqttPublisher.h"'
)
bash "$here/layers.sh" >/dev/null || { echo "the tree itself breaks the layers"; exit 1; }
missed=0
for plant in "${plants[@]}"; do
    file=${plant%%|*}
    line=${plant#*|}
    rm -rf "$copy/src"
    cp -r "$here/../src" "$copy/src"
    echo "$line" >>"$copy/src/$file"
    if SRC="$copy/src" bash "$here/layers.sh" >/dev/null; then
        echo "not caught: $line in $file"
        missed=$((missed + 1))
    fi
done
[ "$missed" -eq 0 ] && echo "every planted include caught"
exit $((missed > 0))
