// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RangeText.h"

#include <array>
#include <cstdio>

namespace corvalin {

namespace {

// Reads 1 to 4 digits; false when there are none or more.
bool ReadNumber(std::string_view text, size_t& at, int& value) {
    const size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 5) {
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at > start && at - start <= 4;
}

bool Expect(std::string_view text, size_t& at, char separator) {
    if (at >= text.size() || text[at] != separator) return false;
    ++at;
    return true;
}

}  // namespace

std::string RangeText(const CivilTime& time) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%d-%02d-%02d %d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text.data();
}

std::optional<CivilTime> ParseRangeText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    CivilTime time;
    size_t at = 0;
    const bool parsed = ReadNumber(text, at, time.year) && Expect(text, at, '-') &&
                        ReadNumber(text, at, time.month) && Expect(text, at, '-') &&
                        ReadNumber(text, at, time.day) && Expect(text, at, ' ') &&
                        ReadNumber(text, at, time.hour) && Expect(text, at, ':') &&
                        ReadNumber(text, at, time.minute) && Expect(text, at, ':') &&
                        ReadNumber(text, at, time.second) && at == text.size();
    if (!parsed || !IsValidCivilTime(time)) return std::nullopt;
    return time;
}

std::optional<std::string> StoredTimeFromRangeText(std::string_view text) {
    const auto time = ParseRangeText(text);
    if (!time) return std::nullopt;
    return IsoText(*time);
}

}  // namespace corvalin
