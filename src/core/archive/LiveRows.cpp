// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/LiveRows.h"

#include <cmath>

#include "common/ReadingFormat.h"

namespace corvalin {

namespace {

// The station measures in tenths; floats carry them inexactly.
double OneDecimal(double value) { return std::round(value * 10.0) / 10.0; }

}  // namespace

std::vector<ArchiveRow> RowsFromLiveReadings(const LiveReadings& readings, int64_t utcSeconds) {
    std::vector<ArchiveRow> rows;
    for (int slot = 0; slot < CHANNEL_COUNT; ++slot) {
        const float temperature = readings.temperatureC[slot];
        const int32_t humidity = readings.humidityPct[slot];
        const bool hasTemperature = temperature != NO_DATA;
        const bool hasHumidity = humidity != NO_DATA_INT;
        if (!hasTemperature && !hasHumidity) continue;
        ArchiveRow row;
        row.channel = slot + 1;
        row.time = utcSeconds;
        row.source = RowSource::Live;
        if (hasTemperature) row.temperature = OneDecimal(temperature);
        if (hasHumidity) row.humidity = humidity;
        if (hasTemperature && hasHumidity) {
            const float dewPoint = DewPointOfReading(temperature, humidity);
            if (dewPoint != NO_DATA) row.dewPoint = OneDecimal(dewPoint);
            row.heatIndex = OneDecimal(HeatIndexC(*row.temperature, humidity));
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace corvalin
