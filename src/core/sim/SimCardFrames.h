// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"

namespace corvalin {

// The SD-card exchanges as the station puts them on the wire: file-list
// entries, file-data reports, the "{@}" end marker, and the variable-length
// get and delete frames it has to take apart.

// What a CMD_FILE_GET frame asks for.
struct FileRequest {
    std::string name;
    uint32_t start = 0;
    uint32_t end = 0;  // exclusive
};

// Longest name a list entry can carry beside "{", "," and the four size bytes.
constexpr size_t MAX_LIST_NAME = REPORT_SIZE - 6;

Report EndMarkerReport();
// "{", name (clipped to MAX_LIST_NAME), ",", size big-endian (capped at 32 bits).
Report FileListEntry(std::string_view name, uint64_t size);
// Content in reports of at most 62 bytes, "{" ... "}", then the end marker.
std::vector<Report> FileDataReports(std::string_view content);

// None when the frame has no "@}" after a name and two offsets.
std::optional<FileRequest> ParseFileGet(const Report& frame);
// None when the frame has no "@}" after a name of at least one byte.
std::optional<std::string> ParseDeleteName(const Report& frame);

}  // namespace corvalin
