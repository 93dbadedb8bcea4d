// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/LogTime.h"

#include <optional>

namespace corvalin {

namespace {

constexpr int MAX_DIGITS = 4;
constexpr int TWO_DIGIT_YEAR_PIVOT = 30;  // 00..29 are 2000s, 30..99 the 1900s

struct Number {
    int value = 0;
    int digits = 0;
};

enum class Marker { None, Am, Pm };

// Reads the time text token by token; any token out of place means the text
// is no date at all.
class TimeScanner {
public:
    explicit TimeScanner(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    bool PeekDigit() const { return Peek() >= '0' && Peek() <= '9'; }
    void Skip() { ++at_; }

    bool SkipSpaces() {
        const size_t start = at_;
        while (!AtEnd() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
        return at_ > start;
    }

    std::optional<Number> ReadNumber() {
        Number number;
        while (PeekDigit()) {
            if (++number.digits > MAX_DIGITS) return std::nullopt;
            number.value = number.value * 10 + (text_[at_++] - '0');
        }
        if (number.digits == 0) return std::nullopt;
        return number;
    }

    bool Accept(char c) {
        if (Peek() != c) return false;
        ++at_;
        return true;
    }

    Marker ReadMarker() {
        if (text_.size() - at_ < 2) return Marker::None;
        const char first = Upper(text_[at_]);
        if (Upper(text_[at_ + 1]) != 'M' || (first != 'A' && first != 'P')) return Marker::None;
        at_ += 2;
        return first == 'A' ? Marker::Am : Marker::Pm;
    }

private:
    static char Upper(char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }

    std::string_view text_;
    size_t at_ = 0;
};

bool IsDateSeparator(char c) { return c == '-' || c == '/' || c == '.'; }

bool SmallNumber(const Number& n) { return n.digits <= 2; }

int FullYear(const Number& year) {
    if (year.digits != 2) return year.value;
    return year.value < TWO_DIGIT_YEAR_PIVOT ? 2000 + year.value : 1900 + year.value;
}

// Fills year, month and day; false when the text is no date.
bool ReadDate(TimeScanner& scanner, DateOrder order, CivilTime& time) {
    const auto first = scanner.ReadNumber();
    const char separator = scanner.Peek();
    if (!first || !IsDateSeparator(separator)) return false;
    scanner.Skip();
    const auto second = scanner.ReadNumber();
    if (!second || !SmallNumber(*second) || !scanner.Accept(separator)) return false;
    const auto third = scanner.ReadNumber();
    if (!third) return false;

    if (first->digits == 4 && SmallNumber(*third)) {
        time.year = first->value;
        time.month = second->value;
        time.day = third->value;
        return true;
    }
    if (!SmallNumber(*first) || (third->digits != 4 && third->digits != 2)) return false;
    time.year = FullYear(*third);
    bool dayFirst = order == DateOrder::DayFirst;
    if (first->value > 12 && second->value <= 12) dayFirst = true;
    if (second->value > 12 && first->value <= 12) dayFirst = false;
    time.month = dayFirst ? second->value : first->value;
    time.day = dayFirst ? first->value : second->value;
    return true;
}

// hh:mm[:ss]; false when the text is no time.
bool ReadClock(TimeScanner& scanner, CivilTime& time) {
    const auto hour = scanner.ReadNumber();
    if (!hour || !SmallNumber(*hour) || !scanner.Accept(':')) return false;
    const auto minute = scanner.ReadNumber();
    if (!minute || !SmallNumber(*minute)) return false;
    time.hour = hour->value;
    time.minute = minute->value;
    time.second = 0;
    if (scanner.Accept(':')) {
        const auto second = scanner.ReadNumber();
        if (!second || !SmallNumber(*second)) return false;
        time.second = second->value;
    }
    return true;
}

// 12 AM is midnight, 12 PM noon; an hour above 12 cannot carry a marker.
bool ApplyMarker(Marker marker, CivilTime& time) {
    if (marker == Marker::None) return true;
    if (time.hour > 12) return false;
    if (marker == Marker::Am && time.hour == 12) time.hour = 0;
    if (marker == Marker::Pm && time.hour < 12) time.hour += 12;
    return true;
}

}  // namespace

DateOrder DateOrderFromSetting(int dateFormat) {
    return dateFormat == 2 ? DateOrder::DayFirst : DateOrder::MonthFirst;
}

LogTime ParseLogTime(std::string_view text, DateOrder order) {
    // The station's own form, the common case, read directly.
    if (const std::optional<CivilTime> exact = ParseCivilText(text)) {
        return {LogTime::Kind::Time, *exact};
    }
    TimeScanner scanner(text);
    CivilTime time;  // 1899-12-30 00:00:00 until the text says otherwise
    const LogTime notADate{LogTime::Kind::NotADate, {}};
    scanner.SkipSpaces();

    // A text starting "hh:" is a time of day alone.
    TimeScanner probe = scanner;
    const bool timeOnly = probe.ReadNumber() && probe.Peek() == ':';
    if (!timeOnly) {
        if (!ReadDate(scanner, order, time)) return notADate;
        if (!scanner.SkipSpaces() && !scanner.AtEnd()) return notADate;
    }

    Marker marker = scanner.ReadMarker();
    if (marker != Marker::None) scanner.SkipSpaces();
    if (!scanner.AtEnd()) {
        if (!ReadClock(scanner, time)) return notADate;
        scanner.SkipSpaces();
        if (marker == Marker::None) {
            marker = scanner.ReadMarker();
            scanner.SkipSpaces();
        }
    } else if (marker != Marker::None) {
        return notADate;  // a marker without a time
    }
    if (!scanner.AtEnd()) return notADate;

    if (!ApplyMarker(marker, time) || !IsValidCivilTime(time)) {
        return {LogTime::Kind::InvalidDate, {}};
    }
    return {LogTime::Kind::Time, time};
}

}  // namespace corvalin
