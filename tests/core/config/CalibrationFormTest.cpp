#include <gtest/gtest.h>

#include "config/CalibrationForm.h"
#include "device/ReadingFormat.h"

namespace corvalin {
namespace {

// Offsets in force: tenths of °C and percent per channel.
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

LiveReadings Live(std::initializer_list<std::pair<float, int32_t>> readings) {
    LiveReadings live;
    int k = 0;
    for (auto [temperature, humidity] : readings) {
        live.temperatureC[k] = temperature;
        live.humidityPct[k] = humidity;
        ++k;
    }
    return live;
}

TEST(CalibrationForm, CorrectedTemperatureMayReachSixtyButNotBeyond) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{10, 0}}), Live({{23.5f, 50}}), true, 0);
    EXPECT_EQ(form.channels[0].temperature, "1.0");
    form.channels[0].temperature = "37.5";  // 235 - 10 + 375 = 600
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[0].temperature = "37.6";
    EXPECT_EQ(form.Validate(), " CH1 Temp Out of value.");
    form.channels[0].temperature = "-52.5";  // 235 - 10 - 525 = -300
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[0].temperature = "-62.6";
    EXPECT_EQ(form.Validate(), " CH1 Temp Out of value.");
}

TEST(CalibrationForm, TheLiveFloatIsSlightlyBelowItsDecimal) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{10, 0}}), Live({{23.4f, 50}}), true, 0);
    form.channels[0].temperature = "37.7";  // 233 - 10 + 377 = 600
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[0].temperature = "37.8";
    EXPECT_EQ(form.Validate(), " CH1 Temp Out of value.");
}

TEST(CalibrationForm, HumidityBounds) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{0, 0}, {0, 2}}), Live({{20.0f, 50}, {20.0f, 95}}), true, 0);
    EXPECT_EQ(form.channels[1].humidity, "2  ");
    form.channels[1].humidity = "6";  // 6 + 95 - 2 = 99
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[1].humidity = "7";
    EXPECT_EQ(form.Validate(), " CH2 Humi Out of value.");
    form.channels[1].humidity = "-94";  // -1
    EXPECT_EQ(form.Validate(), " CH2 Humi Out of value.");
    form.channels[1].humidity = "-93";  // 0
    EXPECT_EQ(form.Validate(), std::nullopt);
}

TEST(CalibrationForm, TemperaturesAreCheckedBeforeAnyHumidity) {
    CalibrationForm form;
    form.Fill(Report{},
              Live({{20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50},
                    {20.0f, 50}}),
              true, 0);
    form.channels[0].humidity = "60";
    form.channels[7].temperature = "45";
    EXPECT_EQ(form.Validate(), " CH8 Temp Out of value.");
}

TEST(CalibrationForm, ChannelsWithoutALiveReadingAreNeitherEditableNorChecked) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{0, 0}, {5, 3}}), Live({{20.0f, NO_DATA_INT}, {NO_DATA, 40}}),
              true, 0);
    EXPECT_TRUE(form.channels[0].temperatureEditable);
    EXPECT_FALSE(form.channels[0].humidityEditable);
    EXPECT_FALSE(form.channels[1].temperatureEditable);
    EXPECT_TRUE(form.channels[1].humidityEditable);
    form.channels[0].humidity = "500";
    form.channels[1].temperature = "500";
    EXPECT_EQ(form.Validate(), std::nullopt);
}

TEST(CalibrationForm, FahrenheitShowsDifferencesAndSendsThemBackTruncated) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{10, 0}, {3, 0}}), Live({}), true, 1);
    EXPECT_EQ(form.channels[0].temperature, "1.8");
    EXPECT_EQ(form.channels[1].temperature, "0.5");
    EXPECT_STREQ(form.UnitText(), "°F");
    const CommandFrame frame = form.BuildFrames()[0];
    EXPECT_EQ(frame[1], CMD_WRITE_CALIBRATION);
    EXPECT_EQ((std::vector<uint8_t>(frame.begin() + 2, frame.begin() + 8)),
              (std::vector<uint8_t>{0x00, 0x0A, 0x00, 0x00, 0x02, 0x00}));
}

TEST(CalibrationForm, SignedOffsetsAndNoValueRoundTrip) {
    Report answer = CalibrationAnswer({{-10, -3}});
    answer[4] = 0x7F;  // CH2: no temperature offset
    answer[5] = 0xFF;
    CalibrationForm form;
    form.Fill(answer, Live({{20.0f, 50}, {20.0f, 50}}), true, 0);
    EXPECT_EQ(form.channels[0].temperature, "-1.0");
    EXPECT_EQ(form.channels[0].humidity, "-3  ");
    EXPECT_EQ(form.channels[1].temperature, "--");
    ASSERT_EQ(form.Validate(), std::nullopt);
    const std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ((std::vector<uint8_t>(frames[0].begin() + 2, frames[0].begin() + 8)),
              (std::vector<uint8_t>{0xFF, 0xF6, 0xFD, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(frames[0][26], 0x40);
    EXPECT_EQ(frames[0][27], 0x7D);
    EXPECT_EQ(frames[1], MakeCommandFrame(CMD_COMMIT));
}

TEST(CalibrationForm, NotConnectedShowsZeroOffsets) {
    CalibrationForm form;
    form.Fill(CalibrationAnswer({{10, 5}}), Live({{20.0f, 50}}), false, 0);
    EXPECT_FALSE(form.saveEnabled);
    for (const CalibrationChannelEdits& channel : form.channels) {
        EXPECT_EQ(channel.temperature, "0.0");
        EXPECT_EQ(channel.humidity, "0  ");
    }
}

}  // namespace
}  // namespace corvalin
