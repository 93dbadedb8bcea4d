// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace corvalin {

// Which comes first in a date such as 03-05-2024.
enum class DateOrder { MonthFirst, DayFirst };

// The station's date-format setting: 0 "YYYY-MM-DD", 1 "MM-DD-YYYY",
// 2 "DD-MM-YYYY". Only the last puts the day first.
DateOrder DateOrderFromSetting(int dateFormat);

inline constexpr double TIME_NOT_A_DATE = 0.0;
inline constexpr double TIME_INVALID_DATE = -1.0;

// The time text of a log line as an OLE Automation date. Accepted:
// YYYY-MM-DD, MM-DD-YYYY and DD-MM-YYYY (also with "/" or "." and two-digit
// years at the end), followed by an optional time hh:mm[:ss] with an
// optional AM/PM before or after it. Day and month are read in `order`
// unless a number above 12 settles it. A text that is no date at all gives
// TIME_NOT_A_DATE, one that looks like a date but is not a valid one
// (month 13, 30 February, 25:00) TIME_INVALID_DATE.
double ParseTimeText(std::string_view text, DateOrder order);

}  // namespace corvalin
