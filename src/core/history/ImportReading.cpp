#include "history/ImportReading.h"

#include <charconv>
#include <limits>
#include <optional>

#include "device/ReadingFormat.h"

namespace corvalin {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips blanks and reads the sign; false when no number follows.
bool StartOfNumber(const char*& at, const char* end, bool& negative, bool allowPoint) {
    while (at < end && IsBlank(*at)) ++at;
    negative = false;
    if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
    if (at < end && IsDigit(*at)) return true;
    return allowPoint && end - at >= 2 && at[0] == '.' && IsDigit(at[1]);
}

float TemperatureField(const std::optional<std::string_view>& field) {
    if (!field || IsMissingValue(*field)) return NO_DATA;
    return NumberAtStart(*field);
}

}  // namespace

bool IsMissingValue(std::string_view field) { return field.find("--") != std::string_view::npos; }

float NumberAtStart(std::string_view field) {
    const char* at = field.data();
    const char* end = at + field.size();
    bool negative = false;
    if (!StartOfNumber(at, end, negative, true)) return 0.0f;
    double value = 0.0;
    std::from_chars(at, end, value, std::chars_format::general);
    return static_cast<float>(negative ? -value : value);
}

int32_t IntegerAtStart(std::string_view field) {
    const char* at = field.data();
    const char* end = at + field.size();
    bool negative = false;
    if (!StartOfNumber(at, end, negative, false)) return 0;
    int64_t value = 0;
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; at < end && IsDigit(*at) && value <= LIMIT; ++at) value = value * 10 + (*at - '0');
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

ReadingRecord ReadingFromLine(const HistoryTable& table, size_t row, DateOrder order) {
    ReadingRecord record;
    record.time = ParseTimeText(table.Field(row, 0).value_or(std::string_view{}), order);
    record.temperature = TemperatureField(table.Field(row, 1));
    const auto humidity = table.Field(row, 2);
    record.humidity =
        !humidity || IsMissingValue(*humidity) ? NO_DATA_INT : IntegerAtStart(*humidity);
    record.dewpoint = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 3));
    record.heatindex = table.IndoorFile() ? NO_DATA : TemperatureField(table.Field(row, 4));
    return record;
}

}  // namespace corvalin
