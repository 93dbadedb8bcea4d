#include "config/EditValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "device/ReadingFormat.h"

namespace corvalin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

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

int32_t ReadEditInteger(std::string_view text) {
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

double ReadEditNumber(std::string_view text) {
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

double TemperatureTenths(std::string_view text, EditValueKind kind, int32_t unitFahrenheit) {
    const bool fahrenheit = unitFahrenheit != 0;
    switch (kind) {
        case EditValueKind::TemperatureLimit: {
            const double x = ReadEditNumber(text);
            return fahrenheit ? (x - 32) / 1.8 * 10 : x * 10;
        }
        case EditValueKind::TemperatureOffset: {
            const double x = ReadEditNumber(text);
            return fahrenheit ? x / 1.8 * 10 : x * 10;
        }
        case EditValueKind::Humidity:
            break;
    }
    return ReadEditInteger(text);
}

int32_t TruncateTenths(double tenths) {
    if (std::isnan(tenths)) return 0;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(tenths), lowest, highest));
}

int32_t ParseEditValue(std::string_view text, EditValueKind kind, int32_t unitFahrenheit) {
    if (Trimmed(text) == "--") return EDIT_NO_VALUE;
    if (kind == EditValueKind::Humidity) return ReadEditInteger(text);
    return TruncateTenths(TemperatureTenths(text, kind, unitFahrenheit));
}

std::array<uint8_t, 2> TemperatureWireBytes(int32_t value) {
    const auto word = static_cast<uint16_t>(value);  // EDIT_NO_VALUE is 0xFFFF already
    return {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
}

uint8_t HumidityWireByte(int32_t value) {
    if (value == EDIT_NO_VALUE) return 0xFF;
    return static_cast<uint8_t>(value & 0xFF);
}

const char* TemperatureUnitText(int32_t unitFahrenheit) {
    return unitFahrenheit != 0 ? "°F" : "°C";
}

float DecodeTemperatureBytes(uint8_t high, uint8_t low) {
    if ((high == 0xFF && low == 0xFF) || (high == 0x7F && low == 0xFF)) return NO_DATA;
    const auto tenths = static_cast<int16_t>((high << 8) | low);
    return static_cast<float>(tenths / 10.0);
}

}  // namespace corvalin
