// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/LocalTime.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace corvalin {

LocalTime LocalTimeNow() {
    const std::time_t seconds = std::time(nullptr);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    time.dayOfWeek = parts.tm_wday;
    return time;
}

int DayOfWeek(int year, int month, int day) {
    // Sakamoto's method.
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

Result<LocalTime> ParseLocalTime(std::string_view text) {
    const std::string copy(text);
    LocalTime t;
    char tail = 0;
    const int fields = std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month,
                                   &t.day, &t.hour, &t.minute, &t.second, &tail);
    const std::string expected = "expected \"YYYY-MM-DD hh:mm:ss\"";
    if (fields != 6)
        return Result<LocalTime>::Fail("Not a time: \"" + copy + "\" (" + expected + ")");

    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const bool validDate = t.year >= 1 && t.year <= 65535 && t.month >= 1 && t.month <= 12 &&
                           t.day >= 1 &&
                           t.day <= monthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    const bool validTime = t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
                           t.second >= 0 && t.second <= 59;
    if (!validDate || !validTime) {
        return Result<LocalTime>::Fail("Not a valid date and time: \"" + copy + "\"");
    }
    t.dayOfWeek = DayOfWeek(t.year, t.month, t.day);
    return Result<LocalTime>::Of(t);
}

}  // namespace corvalin
