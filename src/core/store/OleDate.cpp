// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/OleDate.h"

#include <cmath>

namespace corvalin {

namespace {

constexpr long SECONDS_PER_DAY = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr long DaysFromCivil(long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long days, int& year, int& month, int& day) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr long OLE_EPOCH_DAYS = DaysFromCivil(1899, 12, 30);
constexpr long MIN_OLE_DAY = DaysFromCivil(MIN_OLE_YEAR, 1, 1) - OLE_EPOCH_DAYS;
constexpr long MAX_OLE_DAY = DaysFromCivil(MAX_OLE_YEAR, 12, 31) - OLE_EPOCH_DAYS;

void WriteDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

bool ReadDigits(std::string_view text, size_t at, size_t width, int& value) {
    value = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : DAYS[month - 1];
}

bool IsValidCivilTime(const CivilTime& time) {
    return time.year >= MIN_OLE_YEAR && time.year <= MAX_OLE_YEAR && time.month >= 1 &&
           time.month <= 12 && time.day >= 1 && time.day <= DaysInMonth(time.year, time.month) &&
           time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 &&
           time.second >= 0 && time.second <= 59;
}

double OleDateFromCivil(const CivilTime& time) {
    const long days = DaysFromCivil(time.year, time.month, time.day) - OLE_EPOCH_DAYS;
    const double fraction =
        (time.hour * 3600.0 + time.minute * 60.0 + time.second) / SECONDS_PER_DAY;
    return days >= 0 ? days + fraction : days - fraction;
}

std::optional<CivilTime> CivilFromOleDate(double date) {
    if (!std::isfinite(date)) return std::nullopt;
    const double whole = std::trunc(date);
    if (whole < MIN_OLE_DAY || whole > MAX_OLE_DAY) return std::nullopt;
    long days = static_cast<long>(whole);
    long seconds = std::lround(std::fabs(date - whole) * SECONDS_PER_DAY);
    if (seconds >= SECONDS_PER_DAY) {  // rounded up into the next day
        seconds -= SECONDS_PER_DAY;
        ++days;
        if (days > MAX_OLE_DAY) return std::nullopt;
    }
    CivilTime time;
    CivilFromDays(days + OLE_EPOCH_DAYS, time.year, time.month, time.day);
    time.hour = static_cast<int>(seconds / 3600);
    time.minute = static_cast<int>(seconds / 60 % 60);
    time.second = static_cast<int>(seconds % 60);
    return time;
}

void WriteIsoText(const CivilTime& time, char* out) {
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

std::string IsoText(const CivilTime& time) {
    std::string text(ISO_TEXT_LENGTH, ' ');
    WriteIsoText(time, text.data());
    return text;
}

std::optional<CivilTime> ParseIsoText(std::string_view text) {
    if (text.size() != ISO_TEXT_LENGTH || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    CivilTime time;
    if (!ReadDigits(text, 0, 4, time.year) || !ReadDigits(text, 5, 2, time.month) ||
        !ReadDigits(text, 8, 2, time.day) || !ReadDigits(text, 11, 2, time.hour) ||
        !ReadDigits(text, 14, 2, time.minute) || !ReadDigits(text, 17, 2, time.second) ||
        !IsValidCivilTime(time)) {
        return std::nullopt;
    }
    return time;
}

int64_t SecondsSinceYearOne(const CivilTime& time) {
    constexpr long YEAR_ONE = DaysFromCivil(1, 1, 1);
    const int64_t days = DaysFromCivil(time.year, time.month, time.day) - YEAR_ONE;
    return days * SECONDS_PER_DAY + time.hour * 3600 + time.minute * 60 + time.second;
}

double EpochSecondsFromOleDate(double date) {
    const double whole = std::trunc(date);
    const double timeline = whole + std::fabs(date - whole);
    return (timeline + OLE_EPOCH_DAYS) * SECONDS_PER_DAY;
}

}  // namespace corvalin
