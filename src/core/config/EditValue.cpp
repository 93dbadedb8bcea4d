// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/EditValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/NumberText.h"
#include "common/ReadingFormat.h"

namespace corvalin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

double TemperatureTenths(std::string_view text, EditValueKind kind, int32_t unitFahrenheit) {
    const bool fahrenheit = unitFahrenheit != 0;
    switch (kind) {
        case EditValueKind::TemperatureLimit: {
            const double x = ReadLeadingNumber(text);
            return fahrenheit ? (x - 32) / 1.8 * 10 : x * 10;
        }
        case EditValueKind::TemperatureOffset: {
            const double x = ReadLeadingNumber(text);
            return fahrenheit ? x / 1.8 * 10 : x * 10;
        }
        case EditValueKind::Humidity:
            break;
    }
    return ReadLeadingInteger(text);
}

int32_t TruncateTenths(double tenths) {
    if (std::isnan(tenths)) return 0;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(tenths), lowest, highest));
}

int32_t ParseEditValue(std::string_view text, EditValueKind kind, int32_t unitFahrenheit) {
    if (Trimmed(text) == "--") return UNSET_VALUE;
    if (kind == EditValueKind::Humidity) return ReadLeadingInteger(text);
    return TruncateTenths(TemperatureTenths(text, kind, unitFahrenheit));
}

const char* TemperatureUnitText(int32_t unitFahrenheit) {
    return unitFahrenheit != 0 ? "°F" : "°C";
}

}  // namespace corvalin
