// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CivilTime.h"

#include <chrono>

namespace corvalin {

namespace {

constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr size_t MOST_DIGITS = 4;

// The fields of the text form in order, with the character after each and
// the digits each has in the exact form.
struct TextField {
    int CivilTime::*member;
    size_t exactDigits;
    char after;
};
constexpr TextField TEXT_FIELDS[] = {
    {&CivilTime::year, 4, '-'}, {&CivilTime::month, 2, '-'},  {&CivilTime::day, 2, ' '},
    {&CivilTime::hour, 2, ':'}, {&CivilTime::minute, 2, ':'}, {&CivilTime::second, 2, '\0'},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<CivilTime> ScanCivilText(std::string_view text, bool exact) {
    CivilTime time;
    size_t at = 0;
    for (const TextField& field : TEXT_FIELDS) {
        const size_t start = at;
        int value = 0;
        while (at < text.size() && IsDigit(text[at]) && at - start < MOST_DIGITS) {
            value = value * 10 + (text[at++] - '0');
        }
        const size_t digits = at - start;
        if (digits == 0 || (exact && digits != field.exactDigits)) return std::nullopt;
        if (at < text.size() && IsDigit(text[at])) return std::nullopt;
        time.*field.member = value;
        if (field.after == '\0') break;
        if (at >= text.size() || text[at] != field.after) return std::nullopt;
        ++at;
    }
    if (at != text.size() || !IsValidCivilTime(time)) return std::nullopt;
    return time;
}

void WriteDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    const std::chrono::year_month_day_last last{std::chrono::year{year} /
                                                std::chrono::month{static_cast<unsigned>(month)} /
                                                std::chrono::last};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

bool IsValidCivilTime(const CivilTime& time) {
    return time.year >= MIN_CIVIL_YEAR && time.year <= MAX_CIVIL_YEAR && time.day >= 1 &&
           time.day <= DaysInMonth(time.year, time.month) && time.hour >= 0 && time.hour <= 23 &&
           time.minute >= 0 && time.minute <= 59 && time.second >= 0 && time.second <= 59;
}

int64_t DaysSinceEpoch(const CivilTime& time) {
    const std::chrono::sys_days days{std::chrono::year{time.year} /
                                     std::chrono::month{static_cast<unsigned>(time.month)} /
                                     std::chrono::day{static_cast<unsigned>(time.day)}};
    return days.time_since_epoch().count();
}

CivilTime CivilFromDays(int64_t days) {
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{static_cast<int>(days)}}};
    CivilTime time;
    time.year = static_cast<int>(date.year());
    time.month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.hour = time.minute = time.second = 0;
    return time;
}

int DayOfWeek(const CivilTime& time) {
    const std::chrono::weekday weekday{
        std::chrono::sys_days{std::chrono::days{static_cast<int>(DaysSinceEpoch(time))}}};
    return static_cast<int>(weekday.c_encoding());
}

int64_t WallSeconds(const CivilTime& time) {
    return DaysSinceEpoch(time) * SECONDS_PER_DAY + time.hour * 3600 + time.minute * 60 +
           time.second;
}

CivilTime CivilFromWallSeconds(int64_t seconds) {
    int64_t days = seconds / SECONDS_PER_DAY;
    int64_t rest = seconds % SECONDS_PER_DAY;
    if (rest < 0) {
        rest += SECONDS_PER_DAY;
        --days;
    }
    CivilTime time = CivilFromDays(days);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest / 60 % 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

void WriteCivilText(const CivilTime& time, char* out) {
    WriteDigits(out, time.year, 4);
    out[4] = '-';
    WriteDigits(out + 5, time.month, 2);
    out[7] = '-';
    WriteDigits(out + 8, time.day, 2);
    out[10] = ' ';
    WriteDigits(out + 11, time.hour, 2);
    out[13] = ':';
    WriteDigits(out + 14, time.minute, 2);
    out[16] = ':';
    WriteDigits(out + 17, time.second, 2);
}

std::string CivilText(const CivilTime& time) {
    std::string text(CIVIL_TEXT_LENGTH, ' ');
    WriteCivilText(time, text.data());
    return text;
}

std::optional<CivilTime> ParseCivilText(std::string_view text) { return ScanCivilText(text, true); }

std::optional<CivilTime> ParseLooseCivilText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return ScanCivilText(text, false);
}

}  // namespace corvalin
