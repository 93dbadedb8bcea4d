// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "protocol/Protocol.h"

namespace corvalin {

// Where the router sends the answers of the SD-card exchanges. Called on the
// reader thread; the requester reads what the sink gathered only after its wait.
class FileTransferSink {
public:
    virtual ~FileTransferSink() = default;

    // One file-list entry: the report's 64 data bytes.
    virtual void OnFileListEntry(const Report& data) = 0;
    // Content bytes of one file-data report (possibly empty).
    virtual void OnFileContent(std::string_view content) = 0;
    // True when the chunk in flight is the file's last.
    virtual bool IsLastChunk() const = 0;
    // The end marker of a chunk arrived; `lastChunk` as IsLastChunk() said.
    virtual void OnChunkEnd(bool lastChunk) = 0;
};

}  // namespace corvalin
