// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoredRow.h"

#include <cmath>

#include "store/RecordKey.h"

namespace corvalin {

namespace {

// The float widened to the shortest decimal that reads back as the same
// float, so that 23.4 is stored as 23.4 and not 23.399999618530273.
double StoredReal(float value) {
    const double wide = value;
    if (!std::isfinite(wide)) return wide;
    double scale = 1.0;
    for (int digits = 0; digits <= 4 && std::fabs(wide * scale) < 1e15; ++digits, scale *= 10.0) {
        const double decimal = std::nearbyint(wide * scale) / scale;
        if (static_cast<float>(decimal) == value) return decimal;
    }
    return wide;
}

}  // namespace

StoredRow StoredRow::From(const ReadingRecord& record) {
    const auto civil = CivilFromOleDate(record.time);
    return civil ? From(*civil, record) : StoredRow{};
}

StoredRow StoredRow::From(const CivilTime& time, const ReadingRecord& values) {
    StoredRow row;
    row.firstKey = FirstKeyOf(time);
    WriteCivilText(time, row.time);
    row.temperature = StoredReal(values.temperature);
    row.humidity = values.humidity;
    row.dewpoint = StoredReal(values.dewpoint);
    row.heatindex = StoredReal(values.heatindex);
    return row;
}

}  // namespace corvalin
