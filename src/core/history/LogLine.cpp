// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LogLine.h"

#include "common/NumberText.h"

namespace corvalin {

LogLineFields SplitLogLine(std::string_view line, size_t fieldCount) {
    LogLineFields split;
    if (fieldCount == 0) return split;
    size_t start = 0;
    while (split.count + 1 < fieldCount) {
        const size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) break;
        split.fields[split.count++] = line.substr(start, comma - start);
        start = comma + 1;
    }
    // What follows the last comma taken is a field, empty or not.
    split.fields[split.count++] = line.substr(start);
    return split;
}

LogValueKind KindOfLogValue(const std::optional<std::string_view>& field) {
    if (!field) return LogValueKind::Absent;
    if (field->find("--") != std::string_view::npos) return LogValueKind::Missing;
    return StartsWithNumber(*field) ? LogValueKind::Number : LogValueKind::NoNumber;
}

}  // namespace corvalin
