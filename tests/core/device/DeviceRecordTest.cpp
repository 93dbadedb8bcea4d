#include <gtest/gtest.h>

#include "device/DeviceRecord.h"
#include "device/ReadingFormat.h"

namespace corvalin {
namespace {

std::array<bool, CHANNEL_COUNT> AllEnabled() {
    std::array<bool, CHANNEL_COUNT> enabled;
    enabled.fill(true);
    return enabled;
}

// A live report with CH1 set to the given bytes and the rest empty.
Report LiveWithChannel1(uint8_t high, uint8_t low, uint8_t humidity) {
    Report live;
    live.fill(0xFF);
    live[0] = 0x7B;
    live[1] = high;
    live[2] = low;
    live[3] = humidity;
    return live;
}

LiveReadings Decode(const Report& live, std::array<bool, CHANNEL_COUNT> enabled = AllEnabled()) {
    LiveReadings readings;
    DecodeLiveReport(live, enabled, readings);
    return readings;
}

TEST(DecodeLive, TemperatureEncodingAndRange) {
    EXPECT_FLOAT_EQ(Decode(LiveWithChannel1(0xFF, 0x38, 50)).temperatureC[0], -20.0f);
    EXPECT_FLOAT_EQ(Decode(LiveWithChannel1(0x00, 0xE7, 50)).temperatureC[0], 23.1f);
    EXPECT_EQ(Decode(LiveWithChannel1(0x7F, 0xFF, 50)).temperatureC[0], NO_DATA);
    EXPECT_EQ(Decode(LiveWithChannel1(0xFF, 0xFF, 50)).temperatureC[0], NO_DATA);
    EXPECT_EQ(Decode(LiveWithChannel1(0x7F, 0xFE, 50)).temperatureC[0], NO_DATA);  // 3276.6
    EXPECT_FLOAT_EQ(Decode(LiveWithChannel1(0x02, 0x58, 50)).temperatureC[0], 60.0f);
    EXPECT_EQ(Decode(LiveWithChannel1(0x02, 0x59, 50)).temperatureC[0], NO_DATA);
    EXPECT_FLOAT_EQ(Decode(LiveWithChannel1(0xFE, 0x70, 50)).temperatureC[0], -40.0f);
    EXPECT_EQ(Decode(LiveWithChannel1(0xFE, 0x6F, 50)).temperatureC[0], NO_DATA);
}

TEST(DecodeLive, HumidityRange) {
    EXPECT_EQ(Decode(LiveWithChannel1(0, 100, 0)).humidityPct[0], NO_DATA_INT);
    EXPECT_EQ(Decode(LiveWithChannel1(0, 100, 100)).humidityPct[0], NO_DATA_INT);
    EXPECT_EQ(Decode(LiveWithChannel1(0, 100, 0xFF)).humidityPct[0], NO_DATA_INT);
    EXPECT_EQ(Decode(LiveWithChannel1(0, 100, 1)).humidityPct[0], 1);
    EXPECT_EQ(Decode(LiveWithChannel1(0, 100, 99)).humidityPct[0], 99);
}

TEST(DecodeLive, DisabledChannelShowsNoDataAndIndoorSlotIsUntouched) {
    Report live{};
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        live[1 + 3 * k] = 0x00;
        live[2 + 3 * k] = 0xEA;  // 23.4
        live[3 + 3 * k] = 45;
    }
    auto enabled = AllEnabled();
    enabled[3] = false;
    LiveReadings readings;
    readings.temperatureC[8] = 12.5f;
    DecodeLiveReport(live, enabled, readings);
    EXPECT_EQ(readings.temperatureC[3], NO_DATA);
    EXPECT_EQ(readings.humidityPct[3], NO_DATA_INT);
    EXPECT_FLOAT_EQ(readings.temperatureC[2], 23.4f);
    EXPECT_EQ(readings.humidityPct[7], 45);
    EXPECT_FLOAT_EQ(readings.temperatureC[8], 12.5f);
}

TEST(DecodeSettings, UnitAndMasksOfAllFiveAreas) {
    Report settings{};
    settings[7] = 0x01;
    settings[8 + 3] = 0x80;  // area 1 = 0x00000080: CH3 dew point only
    DecodedSettings decoded = DecodeSettingsReport(settings);
    EXPECT_EQ(decoded.unitFahrenheit, 1);
    for (int k = 0; k < CHANNEL_COUNT; ++k) EXPECT_EQ(decoded.channelEnabled[k], k == 2) << k;

    Report other{};
    other[7] = 0xFF;  // signed: -1, still Fahrenheit
    other[24] = 0x00;
    other[25] = 0xE0;  // area 5 = 0x00E00000: CH8
    other[12 + 3] = 0x07;  // area 2: CH1
    decoded = DecodeSettingsReport(other);
    EXPECT_EQ(decoded.unitFahrenheit, -1);
    EXPECT_TRUE(decoded.channelEnabled[0]);
    EXPECT_TRUE(decoded.channelEnabled[7]);
    EXPECT_FALSE(decoded.channelEnabled[3]);
}

TEST(DeviceRecord, StartsEmptyDecodesThroughMasksAndClearsOnLoss) {
    DeviceRecord record;
    LiveReadings fresh = record.Readings();
    for (int i = 0; i < READING_SLOTS; ++i) {
        EXPECT_EQ(fresh.temperatureC[i], NO_DATA);
        EXPECT_EQ(fresh.humidityPct[i], NO_DATA_INT);
    }

    Report settings{};
    settings[8] = 0x00;
    settings[9] = 0xFF;
    settings[10] = 0xFF;
    settings[11] = 0xFF;  // every channel in area 1
    settings[11] &= static_cast<uint8_t>(~0x38);  // ...but CH2 (bits 3..5)
    record.StoreSettings(settings);
    EXPECT_EQ(record.DecodeSettings(), 0);

    record.StoreLive(LiveWithChannel1(0x00, 0xEA, 45));
    Report live = record.LiveReport();
    live[4] = 0x00;
    live[5] = 0xC8;
    live[6] = 40;  // CH2 20.0 °C, 40 %: masked off
    record.StoreLive(live);
    record.DecodeLive();
    LiveReadings readings = record.Readings();
    EXPECT_FLOAT_EQ(readings.temperatureC[0], 23.4f);
    EXPECT_EQ(readings.humidityPct[0], 45);
    EXPECT_EQ(readings.temperatureC[1], NO_DATA);

    record.ClearLive();
    readings = record.Readings();
    EXPECT_EQ(readings.temperatureC[0], NO_DATA);
    EXPECT_EQ(readings.humidityPct[0], NO_DATA_INT);
    Report cleared = record.LiveReport();
    for (uint8_t byte : cleared) EXPECT_EQ(byte, 0xFF);
    EXPECT_EQ(record.SettingsReport(), settings);  // other buffers keep their contents
    EXPECT_TRUE(record.ChannelEnabled()[0]);
}

}  // namespace
}  // namespace corvalin
