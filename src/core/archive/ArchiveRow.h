// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvalin {

// Where an archived reading came from: the live record, or the station's own
// log on its card.
enum class RowSource { Live, Card };
const char* SourceName(RowSource source);

// One channel's reading at one UTC second, in °C and %; no value where the
// station had none.
struct ArchiveRow {
    int channel = 1;   // 1..8
    int64_t time = 0;  // UTC, seconds since 1970
    std::optional<double> temperature;
    std::optional<double> humidity;
    std::optional<double> dewPoint;
    std::optional<double> heatIndex;
    RowSource source = RowSource::Live;

    bool operator==(const ArchiveRow&) const = default;
};

// A row as read back, with the station it belongs to.
struct ArchivedRow {
    std::string station;
    ArchiveRow row;
};

// Which rows to read: all when a field is empty. `to` is inclusive.
struct ArchiveQuery {
    std::optional<std::string> station;
    std::optional<int64_t> from;
    std::optional<int64_t> to;
    std::vector<int> channels;
    std::optional<RowSource> source;
};

}  // namespace corvalin
