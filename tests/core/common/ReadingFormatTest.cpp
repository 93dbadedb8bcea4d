// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/ReadingFormat.h"

namespace corvalin {
namespace {

TEST(ReadingFormat, TemperaturesInEachModeAndUnit) {
    struct Row {
        float valueC;
        int mode;
        int32_t unit;
        const char* text;
    };
    // Mode 2 is a difference: no 32 added in Fahrenheit. Unknown modes behave
    // as mode 0; any non-zero unit code is Fahrenheit.
    const Row rows[] = {
        {23.4f, 0, 0, "23.4  °C"}, {23.4f, 0, 1, "74.1  °F"},  {23.4f, 1, 0, "23.4  "},
        {25.3f, 1, 1, "77.5  "},   {1.0f, 2, 1, "1.8"},        {-0.02f, 2, 1, "0.0"},
        {-1.0f, 2, 0, "-1.0"},     {23.4f, 7, -3, "74.1  °F"}, {NO_DATA, 0, 0, "--  °C"},
        {NO_DATA, 0, 1, "--  °F"}, {NO_DATA, 1, 0, "--  "},    {NO_DATA, 2, 1, "--"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatTemperature(row.valueC, row.mode, row.unit), row.text)
            << row.valueC << " mode " << row.mode << " unit " << row.unit;
    }
}

TEST(ReadingFormat, Humidities) {
    EXPECT_EQ(FormatHumidity(45, 0), "45  %");
    EXPECT_EQ(FormatHumidity(-3, 1), "-3  ");
    EXPECT_EQ(FormatHumidity(NO_DATA_INT, 0), "--  %");
    EXPECT_EQ(FormatHumidity(NO_DATA_INT, 1), "--  ");
}

TEST(DewPoint, KnownPointsAndNoData) {
    EXPECT_EQ(FormatTemperature(DewPoint(23.4f, 45), 0, 0), "10.8  °C");
    EXPECT_EQ(FormatTemperature(DewPoint(23.4f, 45), 0, 1), "51.5  °F");
    EXPECT_EQ(DewPoint(20.0f, NO_DATA_INT), NO_DATA);
    EXPECT_EQ(DewPointOfReading(NO_DATA, 50), NO_DATA);
    EXPECT_NEAR(DewPointOfReading(20.0f, 50), 9.3f, 0.05f);
    // Humidity 0 would take the logarithm of zero.
    EXPECT_EQ(DewPoint(20.0f, 0), NO_DATA);
    // Saturated air at 65 °C has its dew point above 60, at -45 °C below -40.
    EXPECT_EQ(DewPoint(65.0f, 100), NO_DATA);
    EXPECT_EQ(DewPoint(-45.0f, 100), NO_DATA);
}

}  // namespace
}  // namespace corvalin
