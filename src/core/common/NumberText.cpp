// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace corvalin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Below 2^53 every integer is an exact double, and so is every power of ten
// up to 10^22.
constexpr size_t MAX_EXACT_DIGITS = 15;
constexpr std::array<double, 23> POWERS_OF_TEN = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Position after the leading blanks and the sign; `negative` tells the sign.
size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    return at;
}

}  // namespace

bool StartsWithNumber(std::string_view text) {
    bool negative = false;
    const size_t at = SkipBlanksAndSign(text, negative);
    if (at < text.size() && IsDigit(text[at])) return true;
    return at + 1 < text.size() && text[at] == '.' && IsDigit(text[at + 1]);
}

int32_t ReadLeadingInteger(std::string_view text) {
    bool negative = false;
    size_t at = SkipBlanksAndSign(text, negative);
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        magnitude = std::min(limit, magnitude * 10 + (text[at] - '0'));
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

double ReadLeadingNumber(std::string_view text) {
    bool negative = false;
    const size_t start = SkipBlanksAndSign(text, negative);
    size_t at = start;
    // Decimal order of the first non-zero digit, to tell overflow from underflow.
    int64_t order = 0;
    bool seenNonZero = false;
    size_t digits = 0;
    // The digits as one integer and how many of them follow the point.
    uint64_t mantissa = 0;
    size_t fractionDigits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
        if (seenNonZero) ++order;
        seenNonZero = seenNonZero || text[at] != '0';
        mantissa = mantissa * 10 + static_cast<uint64_t>(text[at] - '0');
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at, ++digits, ++fractionDigits) {
            if (!seenNonZero) --order;
            seenNonZero = seenNonZero || text[at] != '0';
            mantissa = mantissa * 10 + static_cast<uint64_t>(text[at] - '0');
        }
    }
    if (digits == 0) return 0.0;
    const bool hasExponent =
        at + 1 < text.size() && (text[at] == 'e' || text[at] == 'E') &&
        (IsDigit(text[at + 1]) || (at + 2 < text.size() && IsDigit(text[at + 2]) &&
                                   (text[at + 1] == '+' || text[at + 1] == '-')));
    // A log's numbers such as 23.4: the integer and the power of ten are both
    // exact doubles, so one division rounds as correctly as from_chars does.
    if (!hasExponent && digits <= MAX_EXACT_DIGITS && fractionDigits < POWERS_OF_TEN.size()) {
        const double value = static_cast<double>(mantissa) / POWERS_OF_TEN[fractionDigits];
        return negative ? -value : value;
    }

    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t next = at + 1;
        bool exponentNegative = false;
        if (next < text.size() && (text[next] == '+' || text[next] == '-')) {
            exponentNegative = text[next] == '-';
            ++next;
        }
        if (next < text.size() && IsDigit(text[next])) {
            int64_t exponent = 0;
            for (at = next; at < text.size() && IsDigit(text[at]); ++at) {
                exponent = std::min<int64_t>(exponent * 10 + (text[at] - '0'), 1'000'000);
            }
            order += exponentNegative ? -exponent : exponent;
        }
    }

    // from_chars ignores the locale, unlike strtod under a German desktop.
    double value = 0.0;
    const auto result =
        std::from_chars(text.data() + start, text.data() + at, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc{}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::optional<double> ReadExactNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string ShortestText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : "NaN";
}

std::string PercentAsRatioText(double percent) {
    if (!std::isfinite(percent)) return ShortestText(percent / 100);
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::fixed);
    if (error != std::errc()) return ShortestText(percent / 100);
    std::string text(buffer, end);
    std::string sign;
    if (!text.empty() && text[0] == '-') {
        sign = "-";
        text.erase(0, 1);
    }
    const size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.size() < 3) whole.insert(0, 3 - whole.size(), '0');
    fraction.insert(0, whole.substr(whole.size() - 2));
    whole.erase(whole.size() - 2);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    const std::string ratio = fraction.empty() ? whole : whole + "." + fraction;
    return ratio == "0" ? ratio : sign + ratio;
}

}  // namespace corvalin
