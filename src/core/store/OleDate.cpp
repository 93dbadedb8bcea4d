// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/OleDate.h"

#include <cmath>

namespace corvalin {

namespace {

constexpr long SECONDS_PER_DAY = 86400;
// 1899-12-30, in days since 1970-01-01.
constexpr long OLE_EPOCH_DAYS = -25569;

long OleDay(int year, int month, int day) {
    return static_cast<long>(DaysSinceEpoch({year, month, day, 0, 0, 0})) - OLE_EPOCH_DAYS;
}

}  // namespace

double OleDateFromCivil(const CivilTime& time) {
    const long days = OleDay(time.year, time.month, time.day);
    const double fraction =
        (time.hour * 3600.0 + time.minute * 60.0 + time.second) / SECONDS_PER_DAY;
    return days >= 0 ? days + fraction : days - fraction;
}

std::optional<CivilTime> CivilFromOleDate(double date) {
    if (!std::isfinite(date)) return std::nullopt;
    const double whole = std::trunc(date);
    const long lastDay = OleDay(MAX_CIVIL_YEAR, 12, 31);
    if (whole < OleDay(MIN_CIVIL_YEAR, 1, 1) || whole > lastDay) return std::nullopt;
    long days = static_cast<long>(whole);
    long seconds = std::lround(std::fabs(date - whole) * SECONDS_PER_DAY);
    if (seconds >= SECONDS_PER_DAY) {  // rounded up into the next day
        seconds -= SECONDS_PER_DAY;
        ++days;
        if (days > lastDay) return std::nullopt;
    }
    return CivilFromWallSeconds((days + OLE_EPOCH_DAYS) * SECONDS_PER_DAY + seconds);
}

}  // namespace corvalin
