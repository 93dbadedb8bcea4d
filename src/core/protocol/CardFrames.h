// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "protocol/CommandFrame.h"

namespace corvalin {

// The frames and answers of the SD-card commands.

// One file on the station's SD card as its list entry names it.
struct FileEntry {
    std::string name;   // single-byte text as the station sent it
    uint32_t size = 0;  // bytes
};

// One file-list report: "{", the name up to the comma, then the size as an
// unsigned 32-bit big-endian number. A report without a comma names a file
// of unknown size 0.
FileEntry ParseFileListLine(const Report& data);

// CMD_FILE_GET for the bytes [start, end) of a file; the name must fit
// (MAX_FILE_NAME_BYTES).
CommandFrame MakeFileGetFrame(const std::string& name, uint32_t start, uint32_t end);
// CMD_DELETE_FILE; the name must fit (MAX_DELETE_NAME_BYTES).
CommandFrame MakeDeleteFileFrame(const std::string& name);
constexpr size_t MAX_DELETE_NAME_BYTES = REPORT_SIZE - 4;

}  // namespace corvalin
