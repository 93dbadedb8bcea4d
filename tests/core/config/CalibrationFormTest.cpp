// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "config/CalibrationForm.h"

namespace corvalin {
namespace {

using Bytes = std::vector<uint8_t>;
// Offsets in force, tenths of °C and percent, of channels 1, 2, ...
Report CalibrationAnswer(std::initializer_list<std::pair<int16_t, int8_t>> offsets) {
    Report answer{};
    int k = 0;
    for (auto [temperature, humidity] : offsets) {
        answer[1 + 3 * k] = static_cast<uint8_t>(static_cast<uint16_t>(temperature) >> 8);
        answer[2 + 3 * k] = static_cast<uint8_t>(temperature & 0xFF);
        answer[3 + 3 * k] = static_cast<uint8_t>(humidity);
        ++k;
    }
    return answer;
}

TEST(CalibrationForm, CorrectedReadingsMustStayInRange) {
    const auto T = &CalibrationChannelEdits::temperature;
    const auto H = &CalibrationChannelEdits::humidity;
    const char* TEMP = " CH2 Temp Out of value.";
    const char* HUMI = " CH2 Humi Out of value.";
    // 235 - 10 + 375 = 600 and 235 - 10 - 625 = -400; the live float 23.4 is a
    // little below its decimal: 233 - 10 + 377 = 600; a Fahrenheit offset is a
    // difference: 72.0 °F is 40.0 °C; 95 - 2 + 6 = 99 and 95 - 2 - 93 = 0.
    using Field = std::string CalibrationChannelEdits::*;
    const std::tuple<float, std::pair<int16_t, int8_t>, int32_t, Field, const char*, const char*>
        rows[] = {
            {23.5f, {10, 0}, 0, T, "37.5", ""},  {23.5f, {10, 0}, 0, T, "37.6", TEMP},
            {23.5f, {10, 0}, 0, T, "-62.5", ""}, {23.5f, {10, 0}, 0, T, "-62.6", TEMP},
            {23.4f, {10, 0}, 0, T, "37.7", ""},  {23.4f, {10, 0}, 0, T, "37.8", TEMP},
            {20.0f, {0, 0}, 1, T, "72.0", ""},   {20.0f, {0, 0}, 1, T, "72.2", TEMP},
            {20.0f, {0, 2}, 0, H, "6", ""},      {20.0f, {0, 2}, 0, H, "7", HUMI},
            {20.0f, {0, 2}, 0, H, "-93", ""},    {20.0f, {0, 2}, 0, H, "-94", HUMI},
        };
    for (const auto& [liveC, opening, unit, field, text, error] : rows) {
        LiveReadings live;
        live.temperatureC[1] = liveC;
        live.humidityPct[1] = 95;
        CalibrationForm form;
        form.Fill(CalibrationAnswer({{0, 0}, opening}), live, true, unit);
        form.channels[1].*field = text;
        EXPECT_EQ(form.Validate().value_or(""), error) << liveC << " + " << text;
    }
}

TEST(CalibrationForm, TemperaturesFirstAndChannelsWithoutAReadingAreSkipped) {
    LiveReadings live;
    live.temperatureC.fill(20.0f);
    live.humidityPct.fill(50);
    live.humidityPct[0] = NO_DATA_INT;
    live.temperatureC[1] = NO_DATA;
    CalibrationForm form;
    form.Fill(Report{}, live, true, 0);
    EXPECT_TRUE(form.channels[0].temperatureEditable && form.channels[1].humidityEditable);
    EXPECT_FALSE(form.channels[0].humidityEditable || form.channels[1].temperatureEditable);
    form.channels[0].humidity = "500";
    form.channels[1].temperature = "500";
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[2].humidity = "60";
    form.channels[7].temperature = "45";
    EXPECT_EQ(form.Validate(), " CH8 Temp Out of value.");
}

TEST(CalibrationForm, OffsetsAreShownInTheUnitAndSentBackTruncated) {
    Report answer = CalibrationAnswer({{-10, -3}, {0, 4}, {3, 0}});
    answer[4] = 0x7F;  // CH2: no temperature offset
    answer[5] = 0xFF;
    CalibrationForm form;
    form.Fill(answer, LiveReadings{}, true, 0);
    EXPECT_EQ(form.channels[0].temperature, "-1.0");
    EXPECT_EQ(form.channels[0].humidity, "-3  ");
    EXPECT_EQ(form.channels[1].temperature, "--");
    EXPECT_EQ(form.channels[2].temperature, "0.3");
    std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Bytes(frames[0].begin(), frames[0].begin() + 11),
              (Bytes{0x7B, 0x11, 0xFF, 0xF6, 0xFD, 0xFF, 0xFF, 0x04, 0x00, 0x03, 0x00}));
    EXPECT_EQ(frames[1][1], CMD_COMMIT);

    form.Fill(answer, LiveReadings{}, true, 1);
    EXPECT_EQ(form.channels[0].temperature, "-1.8");
    EXPECT_EQ(form.channels[2].temperature, "0.5");
    // Unchanged, the offsets go back as they came; typed, 0.5 °F is 2.8 tenths of °C.
    frames = form.BuildFrames();
    EXPECT_EQ(Bytes(frames[0].begin() + 2, frames[0].begin() + 11),
              (Bytes{0xFF, 0xF6, 0xFD, 0xFF, 0xFF, 0x04, 0x00, 0x03, 0x00}));
    form.channels[2].temperature = "0.50";
    EXPECT_EQ(form.BuildFrames()[0][9], 0x02);
    // The offset in force and an untouched one are checked alike: no error at -40.0 °C.
    LiveReadings cold;
    cold.temperatureC[2] = -40.0f;
    form.Fill(answer, cold, true, 1);
    EXPECT_EQ(form.Validate(), std::nullopt);

    form.Fill(answer, LiveReadings{}, false, 0);  // not connected: every offset zero
    EXPECT_FALSE(form.saveEnabled);
    for (const CalibrationChannelEdits& channel : form.channels) {
        EXPECT_EQ(channel.temperature + "|" + channel.humidity, "0.0|0  ");
    }
}

}  // namespace
}  // namespace corvalin
