// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/DerivedValues.h"

namespace corvalin {
namespace {

// Against published tables: saturated air holds 4.85 g/m³ at 0 °C; frost settles a little above the
// dew point below freezing, and not at all where the dew point is above it.
TEST(DerivedValues, AbsoluteHumidityAndFrostPoint) {
    struct Case {
        double temperature;
        double humidity;
        std::optional<double> absolute;
        std::optional<double> frost;
    };
    const Case cases[] = {
        {20, 50, 8.62, std::nullopt},
        {0, 100, 4.85, std::nullopt},
        {-10, 80, 1.89, -11.4},
        {-0.2, 99, 4.73, -0.3},
        {0, 99.8, 4.84, std::nullopt},  // a frost point that rounds to 0 is none
        {5, 0, 0.0, std::nullopt},
        {-100.5, 50, std::nullopt, std::nullopt},
        {20, -1, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AbsoluteHumidity(c.temperature, c.humidity), c.absolute)
            << c.temperature << " °C " << c.humidity << " %";
        EXPECT_EQ(FrostPoint(c.temperature, c.humidity), c.frost)
            << c.temperature << " °C " << c.humidity << " %";
    }
}

}  // namespace
}  // namespace corvalin
