// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "protocol/CommandFrame.h"
#include "protocol/ReadingAnswers.h"
#include "protocol/WireValues.h"

namespace corvalin {
namespace {

// The frame's bytes up to `count`, and a check that the rest is zero.
std::vector<uint8_t> Head(const CommandFrame& frame, size_t count) {
    for (size_t i = count; i < frame.size(); ++i) EXPECT_EQ(frame[i], 0) << "byte " << i;
    return {frame.begin(), frame.begin() + count};
}

TEST(TimeFrame, ExamplesWithTheirDaysOfTheWeek) {
    struct Row {
        const char* time;
        std::vector<uint8_t> head;
    };
    const Row rows[] = {
        {"2024-03-05 14:07:09",
         {0x7B, 0x30, 0x07, 0xE8, 0x03, 0x05, 0x0E, 0x07, 0x09, 0x02, 0x40, 0x7D}},
        {"2016-01-03 00:00:00",
         {0x7B, 0x30, 0x07, 0xE0, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x40, 0x7D}},
    };
    for (const Row& row : rows) {
        const std::optional<CivilTime> time = ParseCivilText(row.time);
        ASSERT_TRUE(time) << row.time;
        EXPECT_EQ(Head(MakeTimeFrame(*time), 12), row.head) << row.time;
    }
}

TEST(WireValues, TemperatureWordsAndTheirNoReadingValues) {
    EXPECT_FLOAT_EQ(DecodeTemperature(0xFF, 0x38), -20.0f);
    EXPECT_FLOAT_EQ(DecodeTemperature(0x00, 0xE7), 23.1f);
    EXPECT_EQ(DecodeTemperature(0xFF, 0xFF), NO_DATA);
    EXPECT_EQ(DecodeTemperature(0x7F, 0xFF), NO_DATA);
    EXPECT_EQ(TemperatureWireBytes(-400), (std::array<uint8_t, 2>{0xFE, 0x70}));
    EXPECT_EQ(TemperatureWireBytes(UNSET_VALUE), (std::array<uint8_t, 2>{0xFF, 0xFF}));
    EXPECT_EQ(HumidityWireByte(-3), 0xFD);
    EXPECT_EQ(HumidityWireByte(UNSET_VALUE), 0xFF);
}

// A live report with CH1 set to the given bytes and the rest empty.
Report LiveWithChannel1(uint8_t high, uint8_t low, uint8_t humidity) {
    Report live;
    live.fill(0xFF);
    live[1] = high;
    live[2] = low;
    live[3] = humidity;
    return live;
}

TEST(DecodeLive, RangesOfTemperatureAndHumidity) {
    struct Row {
        uint8_t high, low, humidity;
        float temperature;
        int32_t humidityPct;
    };
    const Row rows[] = {
        {0x02, 0x58, 1, 60.0f, 1},
        {0x02, 0x59, 99, NO_DATA, 99},
        {0xFE, 0x70, 0, -40.0f, NO_DATA_INT},
        {0xFE, 0x6F, 100, NO_DATA, NO_DATA_INT},
        {0x7F, 0xFE, 0xFF, NO_DATA, NO_DATA_INT},  // 3276.6 °C
    };
    std::array<bool, CHANNEL_COUNT> enabled;
    enabled.fill(true);
    for (const Row& row : rows) {
        LiveReadings readings;
        readings.temperatureC[8] = 12.5f;  // the indoor slot no report fills
        DecodeLiveReport(LiveWithChannel1(row.high, row.low, row.humidity), enabled, readings);
        EXPECT_FLOAT_EQ(readings.temperatureC[0], row.temperature) << int(row.low);
        EXPECT_EQ(readings.humidityPct[0], row.humidityPct) << int(row.humidity);
        EXPECT_FLOAT_EQ(readings.temperatureC[8], 12.5f);
    }
}

TEST(DecodeSettings, UnitAndTheMasksOfAllFiveAreas) {
    Report settings{};
    settings[7] = 0xFF;   // signed: -1, still Fahrenheit
    settings[11] = 0x80;  // area 1 = 0x00000080: CH3 dew point only
    settings[25] = 0xE0;  // area 5 = 0x00E00000: CH8
    DecodedSettings decoded = DecodeSettingsReport(settings);
    EXPECT_EQ(decoded.unitFahrenheit, -1);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        EXPECT_EQ(decoded.channelEnabled[k], k == 2 || k == 7) << k;
    }
}

}  // namespace
}  // namespace corvalin
