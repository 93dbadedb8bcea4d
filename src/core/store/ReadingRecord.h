// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace corvalin {

// One reading to store, as read from a log line. Missing values are
// NO_DATA (65535).
struct ReadingRecord {
    double time = 0.0;  // OLE Automation date: days since 1899-12-30 00:00
    float temperature = 0.0f;
    int32_t humidity = 0;
    float dewpoint = 0.0f;
    float heatindex = 0.0f;

    bool operator==(const ReadingRecord&) const = default;
};

}  // namespace corvalin
