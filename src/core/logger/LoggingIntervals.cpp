// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/LoggingIntervals.h"

#include <algorithm>
#include <cstdlib>

#include "logger/CardSync.h"
#include "logger/StationLogger.h"

namespace corvalin {

int64_t LongestLoggingInterval(ArchiveDatabase& archive) {
    int64_t interval = DEFAULT_LOG_INTERVAL.count();
    for (const char* key : {LOGGER_INTERVAL_SETTING, STATION_INTERVAL_SETTING}) {
        const std::optional<std::string> value = archive.Setting(key);
        if (value) interval = std::max<int64_t>(interval, std::atoll(value->c_str()));
    }
    return interval;
}

}  // namespace corvalin
