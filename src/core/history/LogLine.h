// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace corvalin {

// How a data line of the station's logs is read: by the record import and by
// the archive's card sync alike. Each keeps its own columns and its own rule
// for a field without a number.

// Fields of a line: the time, temperature and humidity, and for a channel
// log also dew point and heat index. The last field runs to the line's end,
// commas and all.
inline constexpr size_t INDOOR_LOG_FIELDS = 3;
inline constexpr size_t CHANNEL_LOG_FIELDS = 5;

struct LogLineFields {
    std::array<std::string_view, CHANNEL_LOG_FIELDS> fields;
    size_t count = 0;  // the fields the line has, at most the kind's

    // None when the line ends before that field.
    std::optional<std::string_view> Field(size_t index) const {
        if (index >= count) return std::nullopt;
        return fields[index];
    }
};

// `line` without its line end.
LogLineFields SplitLogLine(std::string_view line, size_t fieldCount);

// What a value field holds.
enum class LogValueKind {
    Absent,    // the line ends before it
    Missing,   // "--" anywhere in it ("--", "--.-"): the station had no value
    Number,    // a number at its start (read with common/NumberText)
    NoNumber,  // no number at all ("abc", "inf")
};
LogValueKind KindOfLogValue(const std::optional<std::string_view>& field);

}  // namespace corvalin
