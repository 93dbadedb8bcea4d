// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalin {

// One reading to store: the row the import appends and, encoded as 24 bytes
// little-endian without padding, the row of its staging file. Missing values
// are NO_DATA (65535).
struct ReadingRecord {
    double time = 0.0;  // OLE Automation date: days since 1899-12-30 00:00
    float temperature = 0.0f;
    int32_t humidity = 0;
    float dewpoint = 0.0f;
    float heatindex = 0.0f;

    bool operator==(const ReadingRecord&) const = default;
};

inline constexpr size_t READING_RECORD_BYTES = 24;

void EncodeReadingRecord(const ReadingRecord& record, uint8_t* out);
ReadingRecord DecodeReadingRecord(const uint8_t* in);

}  // namespace corvalin
