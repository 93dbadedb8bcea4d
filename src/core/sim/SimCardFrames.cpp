// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimCardFrames.h"

#include <algorithm>

namespace corvalin {

namespace {

constexpr size_t NAME_AT = 2;  // first name byte of get and delete frames

uint32_t Word(const Report& frame, size_t at) {
    return static_cast<uint32_t>(frame[at]) << 24 | static_cast<uint32_t>(frame[at + 1]) << 16 |
           static_cast<uint32_t>(frame[at + 2]) << 8 | frame[at + 3];
}

// Index of the "@" of a variable-length frame. Names carry no zero byte and
// zeros fill the frame after "}", so the last non-zero pair is the terminator,
// whatever bytes the offsets before it hold.
std::optional<size_t> Terminator(const Report& frame) {
    size_t last = frame.size() - 1;
    while (last > 0 && frame[last] == 0) --last;
    if (last < NAME_AT + 1 || frame[last] != FRAME_END || frame[last - 1] != FRAME_AT) {
        return std::nullopt;
    }
    return last - 1;
}

std::string Bytes(const Report& frame, size_t from, size_t to) {
    return std::string(frame.begin() + static_cast<std::ptrdiff_t>(from),
                       frame.begin() + static_cast<std::ptrdiff_t>(to));
}

}  // namespace

Report EndMarkerReport() {
    Report report{};
    report[0] = FRAME_START;
    report[1] = FRAME_AT;
    report[2] = FRAME_END;
    return report;
}

Report FileListEntry(std::string_view name, uint64_t size) {
    Report report{};
    report[0] = FRAME_START;
    name = name.substr(0, MAX_LIST_NAME);
    std::copy(name.begin(), name.end(), report.begin() + 1);
    const size_t comma = 1 + name.size();
    report[comma] = ',';
    const auto size32 = static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
    for (size_t i = 0; i < 4; ++i) {
        report[comma + 1 + i] = static_cast<uint8_t>(size32 >> (24 - 8 * i));
    }
    return report;
}

std::vector<Report> FileDataReports(std::string_view content) {
    std::vector<Report> reports;
    for (size_t offset = 0; offset < content.size(); offset += MAX_FILE_DATA_CONTENT) {
        const std::string_view piece = content.substr(offset, MAX_FILE_DATA_CONTENT);
        Report report{};
        report[0] = FRAME_START;
        std::copy(piece.begin(), piece.end(), report.begin() + 1);
        report[1 + piece.size()] = FRAME_END;
        reports.push_back(report);
    }
    reports.push_back(EndMarkerReport());
    return reports;
}

std::optional<FileRequest> ParseFileGet(const Report& frame) {
    // "{", code, name, start (4), end (4), "@", "}".
    const auto at = Terminator(frame);
    if (!at || *at < NAME_AT + 1 + 8) return std::nullopt;
    return FileRequest{Bytes(frame, NAME_AT, *at - 8), Word(frame, *at - 8), Word(frame, *at - 4)};
}

std::optional<std::string> ParseDeleteName(const Report& frame) {
    const auto at = Terminator(frame);
    if (!at || *at < NAME_AT + 1) return std::nullopt;
    return Bytes(frame, NAME_AT, *at);
}

}  // namespace corvalin
