// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalin {

// A calendar date and time of day, as the station's clock gives it.
struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CivilTime&) const = default;
};

// OLE Automation dates cover the years 100 to 9999.
inline constexpr int MIN_OLE_YEAR = 100;
inline constexpr int MAX_OLE_YEAR = 9999;

int DaysInMonth(int year, int month);
bool IsValidCivilTime(const CivilTime& time);

// Days since 1899-12-30 00:00; before that day the fraction counts forward
// from the whole day, as OLE Automation dates do (-1.25 is 1899-12-29 06:00).
// `time` must be valid.
double OleDateFromCivil(const CivilTime& time);
// To the nearest second; none when the value is not a date of years 100..9999.
std::optional<CivilTime> CivilFromOleDate(double date);

// "YYYY-MM-DD HH:MM:SS", the form the record database stores: it sorts and
// compares as time. `out` receives exactly ISO_TEXT_LENGTH characters.
inline constexpr size_t ISO_TEXT_LENGTH = 19;
void WriteIsoText(const CivilTime& time, char* out);
std::string IsoText(const CivilTime& time);
// Exactly that form, with a valid date and time.
std::optional<CivilTime> ParseIsoText(std::string_view text);

// Seconds since 0001-01-01 00:00 of the same clock: never negative for the
// years of OLE Automation dates.
int64_t SecondsSinceYearOne(const CivilTime& time);

// Seconds since 1970-01-01 00:00 of the same clock (no time zone applied),
// as plotting libraries take date-time values.
double EpochSecondsFromOleDate(double date);

}  // namespace corvalin
