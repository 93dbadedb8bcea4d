// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "common/CivilTime.h"

namespace corvalin {

// Which comes first in a date such as 03-05-2024.
enum class DateOrder { MonthFirst, DayFirst };

// The station's date-format setting: 0 "YYYY-MM-DD", 1 "MM-DD-YYYY",
// 2 "DD-MM-YYYY". Only the last puts the day first.
DateOrder DateOrderFromSetting(int dateFormat);

// The time text of a log line, as the station writes it in any of its date
// formats: a time, no date at all, or a date that is not a valid one
// (month 13, 30 February, 25:00).
struct LogTime {
    enum class Kind { Time, NotADate, InvalidDate };
    Kind kind = Kind::NotADate;
    CivilTime time;  // for Kind::Time; 1899-12-30 for a time of day alone
};

// Accepted: YYYY-MM-DD, MM-DD-YYYY and DD-MM-YYYY (also with "/" or "." and
// two-digit years at the end), followed by an optional time hh:mm[:ss] with
// an optional AM/PM before or after it; or a time of day alone. Day and
// month are read in `order` unless a number above 12 settles it.
LogTime ParseLogTime(std::string_view text, DateOrder order);

}  // namespace corvalin
