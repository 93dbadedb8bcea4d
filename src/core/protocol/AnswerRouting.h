// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/Report.h"
#include "protocol/DeviceRecord.h"
#include "protocol/FileTransferSink.h"
#include "protocol/Protocol.h"

namespace corvalin {

// What routing one input report came to.
enum class Routed {
    Dropped,     // nothing was waiting for it
    Mismatched,  // its bytes cannot answer what is pending: dropped, the wait goes on
    Stored,      // a part of the answer (a list entry, file content): keep waiting
    Complete,    // the answer is complete: the exchange is over
    ChunkEnd,    // a file chunk is complete; the next chunk keeps the pending type
};

// Stores one input report where the answer of `pending` belongs: the device
// record for the read commands, the sink for the SD-card answers (nullptr
// drops list entries and content). Reports carry no request id; where an
// answer's bytes can tell that it answers something else (an interval the
// station cannot hold, a screen state other than 0 or 1, a list entry without
// its comma), it is not stored.
Routed RouteAnswer(int32_t pending, const Report& data, DeviceRecord& record,
                   FileTransferSink* sink);

}  // namespace corvalin
