// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "common/Status.h"

namespace corvalin {

// Local civil time as the station's clock takes it.
struct LocalTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
};

// The computer's local time now.
LocalTime LocalTimeNow();
// "YYYY-MM-DD hh:mm:ss" as a valid local time with its day of the week.
Result<LocalTime> ParseLocalTime(std::string_view text);
// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(int year, int month, int day);

}  // namespace corvalin
