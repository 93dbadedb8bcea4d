// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace corvalin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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
    for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
        if (seenNonZero) ++order;
        seenNonZero = seenNonZero || text[at] != '0';
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
            if (!seenNonZero) --order;
            seenNonZero = seenNonZero || text[at] != '0';
        }
    }
    if (digits == 0) return 0.0;

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

}  // namespace corvalin
