// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalin {

// A calendar date and time of day as a wall clock shows it, in no zone.
struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CivilTime&) const = default;
};

// The years every date of the program keeps to, those of OLE Automation dates.
inline constexpr int MIN_CIVIL_YEAR = 100;
inline constexpr int MAX_CIVIL_YEAR = 9999;

// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
bool IsValidCivilTime(const CivilTime& time);

// Days since 1970-01-01 of the time's date, and the date of such a day (at
// midnight), on the proleptic Gregorian calendar.
int64_t DaysSinceEpoch(const CivilTime& time);
CivilTime CivilFromDays(int64_t days);
// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(const CivilTime& time);

// Seconds since 1970-01-01 00:00 of the wall time read as if it were UTC,
// and back.
int64_t WallSeconds(const CivilTime& time);
CivilTime CivilFromWallSeconds(int64_t seconds);

// "YYYY-MM-DD hh:mm:ss", the station's own form: its clock, its logs and the
// record database, where it sorts and compares as time. `out` receives
// exactly CIVIL_TEXT_LENGTH characters.
inline constexpr size_t CIVIL_TEXT_LENGTH = 19;
void WriteCivilText(const CivilTime& time, char* out);
std::string CivilText(const CivilTime& time);
// Exactly that form, with a valid date and time.
std::optional<CivilTime> ParseCivilText(std::string_view text);
// The same with numbers of one to four digits ("2024-3-5 9:07:00"), as the
// graph writes range ends; blanks around it are allowed.
std::optional<CivilTime> ParseLooseCivilText(std::string_view text);

}  // namespace corvalin
