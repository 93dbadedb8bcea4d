// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "config/EditValue.h"

namespace corvalin {
namespace {

TEST(ParseEditValue, WireValuesOfEditTexts) {
    constexpr int32_t C = 0, F = 1;
    constexpr auto LIMIT = EditValueKind::TemperatureLimit;
    constexpr auto OFFSET = EditValueKind::TemperatureOffset;
    constexpr auto HUMIDITY = EditValueKind::Humidity;
    // The two dashes alone, blanks around them allowed, mean no value. Values
    // are tenths of °C truncated toward zero; Fahrenheit limits subtract 32
    // first, offsets are differences. Out of every range: the 32-bit bounds.
    // clang-format off
    const std::tuple<const char*, EditValueKind, int32_t, int32_t> rows[] = {
        {"  --\t", OFFSET, F, UNSET_VALUE}, {"--5", HUMIDITY, C, 0}, {"abc", HUMIDITY, C, 0},
        {"-40.05", LIMIT, C, -400}, {"-0.19", OFFSET, C, -1}, {"77.5", LIMIT, F, 252},
        {"0.5", OFFSET, F, 2}, {"-1.8", OFFSET, F, -10}, {" -3", HUMIDITY, C, -3},
        {"12.9", HUMIDITY, F, 12}, {"1e999", LIMIT, C, INT32_MAX}, {"-1e999", OFFSET, F, INT32_MIN},
    };
    // clang-format on
    for (const auto& [text, kind, unit, value] : rows) {
        EXPECT_EQ(ParseEditValue(text, kind, unit), value)
            << '"' << text << "\" kind " << static_cast<int>(kind) << " unit " << unit;
    }
}

}  // namespace
}  // namespace corvalin
