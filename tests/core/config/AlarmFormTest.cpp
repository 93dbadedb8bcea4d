// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "common/Messages.h"
#include "config/AlarmForm.h"

namespace corvalin {
namespace {

using Texts = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// Blocks 1 to 4 (2 unused): block 1 as given, humidity limits 80/20, CH1's
// temperature limits 25.3 and -40.0 °C, CH2's high limit the other no-value
// pair, no other temperature limit.
std::array<Report, 4> AlarmBlocks(std::initializer_list<uint8_t> block1 = {0, 0, 0, 0, 0, 0}) {
    std::array<Report, 4> blocks{};
    std::copy(block1.begin(), block1.end(), blocks[0].begin() + 1);
    blocks[2].fill(0xFF);
    const uint8_t limits[] = {0x00, 0xFD, 0xFE, 0x70, 0x7F, 0xFF};
    std::copy(std::begin(limits), std::end(limits), blocks[2].begin() + 1);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        blocks[3][1 + 2 * k] = 80;
        blocks[3][2 + 2 * k] = 20;
    }
    return blocks;
}

Texts Limits(const AlarmForm& form, int k) {
    const AlarmChannelEdits& c = form.channels[k];
    return {c.temperatureHigh, c.temperatureLow, c.humidityHigh, c.humidityLow};
}

Bytes Part(const CommandFrame& frame, size_t from, size_t count) {
    return {frame.begin() + from, frame.begin() + from + count};
}

TEST(AlarmForm, ShowsTheBlocksInTheStationsUnit) {
    AlarmForm form;
    form.Fill(AlarmBlocks({7, 1, 0x81, 0x00, 0xFF, 0x02}), true, 0);
    EXPECT_EQ(Limits(form, 0), (Texts{"25.3  ", "-40.0  ", "80  ", "20  "}));
    EXPECT_EQ(Limits(form, 1), (Texts{"--  ", "--  ", "80  ", "20  "}));
    EXPECT_STREQ(form.UnitText(), "°C");
    // A switch value the list lacks selects nothing; either way the limits are off.
    EXPECT_EQ(std::pair(form.humidityAlarm, form.temperatureAlarm), std::pair(NO_SELECTION, 1));
    EXPECT_FALSE(form.HumidityControlsEnabled() || form.TemperatureControlsEnabled());
    // Bit k of a mask is CH k + 1.
    EXPECT_TRUE(form.channels[7].humidityHighEnabled && form.channels[1].temperatureLowEnabled);
    EXPECT_FALSE(form.channels[1].humidityHighEnabled || form.channels[0].temperatureLowEnabled);
    form.Fill(AlarmBlocks(), true, 1);
    EXPECT_EQ(Limits(form, 0), (Texts{"77.5  ", "-40.0  ", "80  ", "20  "}));
    EXPECT_STREQ(form.UnitText(), "°F");
    EXPECT_TRUE(form.HumidityControlsEnabled() && form.TemperatureControlsEnabled());

    // Not connected: both switches on, every limit "--", no box ticked.
    form.Fill(AlarmBlocks({1, 1, 0xFF, 0xFF, 0xFF, 0xFF}), false, 0);
    EXPECT_FALSE(form.saveEnabled);
    EXPECT_EQ(std::pair(form.humidityAlarm, form.temperatureAlarm), std::pair(0, 0));
    for (int k = 0; k < CHANNEL_COUNT; ++k) EXPECT_EQ(Limits(form, k), Texts(4, "--  "));
    EXPECT_EQ(Part(form.BuildFrames()[0], 4, 4), Bytes(4, 0));
}

TEST(AlarmForm, SaveSendsTheEditsBackInTenthsOfCelsius) {
    AlarmForm form;
    form.Fill(AlarmBlocks({7, 1, 0x81, 0x00, 0xFF, 0x02}), true, 1);
    ASSERT_EQ(form.Validate(), std::nullopt);
    std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(Part(frames[0], 0, 10), (Bytes{0x7B, 0x12, 7, 1, 0x81, 0, 0xFF, 0x02, 0x40, 0x7D}));
    // Unchanged, a limit goes back exactly as it came, even in Fahrenheit.
    EXPECT_EQ(Part(frames[1], 0, 8), (Bytes{0x7B, 0x14, 0x00, 0xFD, 0xFE, 0x70, 0xFF, 0xFF}));
    EXPECT_EQ(Part(frames[1], 8, 26), Bytes(26, 0xFF));
    EXPECT_EQ(Part(frames[1], 34, 2), (Bytes{0x40, 0x7D}));
    // Block 4 goes out as it came, one place on.
    EXPECT_EQ(Part(frames[2], 0, 4), (Bytes{0x7B, 0x15, 80, 20}));
    EXPECT_EQ(Part(frames[2], 16, 4), (Bytes{80, 20, 0x40, 0x7D}));
    EXPECT_EQ(frames[3][1], CMD_COMMIT);
    // Typed, 77.5 °F is 25.27 °C, truncated to 25.2; the enable boxes stay apart.
    form.channels[0].temperatureHigh = "77.5";
    std::swap(form.channels[0].humidityHighEnabled, form.channels[0].humidityLowEnabled);
    frames = form.BuildFrames();
    EXPECT_EQ(Part(frames[1], 2, 2), (Bytes{0x00, 0xFC}));
    EXPECT_EQ(Part(frames[0], 4, 2), (Bytes{0x80, 0x01}));

    form.Fill(AlarmBlocks({7, 1, 0x81, 0x00, 0xFF, 0x02}), true, 0);
    form.humidityAlarm = 1;
    form.channels[0].humidityHighEnabled = false;
    form.channels[3].temperatureLow = "-12.3";
    frames = form.BuildFrames();
    EXPECT_EQ(Part(frames[0], 2, 3), (Bytes{1, 1, 0x80}));
    EXPECT_EQ(Part(frames[1], 2, 4), (Bytes{0x00, 0xFD, 0xFE, 0x70}));
    EXPECT_EQ(Part(frames[1], 14, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x85}));
}

TEST(AlarmForm, ChecksEveryLimitEvenOfASwitchedOffAlarm) {
    using Field = std::string AlarmChannelEdits::*;
    const Field TH = &AlarmChannelEdits::temperatureHigh, TL = &AlarmChannelEdits::temperatureLow;
    const Field HH = &AlarmChannelEdits::humidityHigh, HL = &AlarmChannelEdits::humidityLow;
    const std::string TEMP = messages::TEMP_ERROR, HUMI = messages::HUMI_ERROR;
    const std::tuple<int32_t, Field, const char*, std::string> rows[] = {
        {0, TH, "60.0", ""},  {0, TH, "60.1", TEMP},  {0, TL, "-40.05", ""}, {0, TL, "-40.1", TEMP},
        {1, TH, "140.0", ""}, {1, TH, "140.2", TEMP}, {0, HH, "99", ""},     {0, HH, "100", HUMI},
        {0, HL, "1", ""},     {0, HL, "0", HUMI},     {0, HL, "--", HUMI},
    };
    for (const auto& [unit, field, text, error] : rows) {
        AlarmForm form;
        form.Fill(AlarmBlocks({1, 1}), true, unit);
        form.channels[7].*field = text;
        EXPECT_EQ(form.Validate().value_or(""), error) << text << " unit " << unit;
    }
    // Every temperature is checked before any humidity.
    AlarmForm form;
    form.Fill(AlarmBlocks(), true, 0);
    form.channels[0].humidityHigh = "0";
    form.channels[7].temperatureLow = "61";
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);
}

}  // namespace
}  // namespace corvalin
