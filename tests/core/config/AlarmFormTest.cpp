#include <gtest/gtest.h>

#include "config/AlarmForm.h"
#include "config/ConfigMessages.h"

namespace corvalin {
namespace {

// Blocks 1 to 4: switches on, no box ticked, no temperature limits, humidity 80/20.
std::array<Report, 4> AlarmBlocks() {
    std::array<Report, 4> blocks{};
    blocks[2].fill(0xFF);
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        blocks[3][1 + 2 * k] = 80;
        blocks[3][2 + 2 * k] = 20;
    }
    return blocks;
}

std::array<Report, 4> WithChannel1Limits() {
    std::array<Report, 4> blocks = AlarmBlocks();
    blocks[2][1] = 0x00;  // 25.3 °C
    blocks[2][2] = 0xFD;
    blocks[2][3] = 0xFE;  // -40.0 °C
    blocks[2][4] = 0x70;
    return blocks;
}

std::vector<uint8_t> Bytes(const CommandFrame& frame, size_t from, size_t count) {
    return {frame.begin() + from, frame.begin() + from + count};
}

TEST(AlarmForm, ShowsLimitsInTheStationsUnit) {
    AlarmForm form;
    form.Fill(WithChannel1Limits(), true, 0);
    EXPECT_EQ(form.channels[0].temperatureHigh, "25.3  ");
    EXPECT_EQ(form.channels[0].temperatureLow, "-40.0  ");
    EXPECT_EQ(form.channels[0].humidityHigh, "80  ");
    EXPECT_EQ(form.channels[1].temperatureHigh, "--  ");
    EXPECT_STREQ(form.UnitText(), "°C");

    form.Fill(WithChannel1Limits(), true, 1);
    EXPECT_EQ(form.channels[0].temperatureHigh, "77.5  ");
    EXPECT_EQ(form.channels[0].temperatureLow, "-40.0  ");
    EXPECT_STREQ(form.UnitText(), "°F");
}

TEST(AlarmForm, SavedUnchangedInFahrenheitTheHighLimitLosesATenth) {
    AlarmForm form;
    form.Fill(WithChannel1Limits(), true, 1);
    ASSERT_EQ(form.Validate(), std::nullopt);
    const std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1][1], CMD_WRITE_ALARM_3);
    EXPECT_EQ(Bytes(frames[1], 2, 4), (std::vector<uint8_t>{0x00, 0xFC, 0xFE, 0x70}));

    form.Fill(WithChannel1Limits(), true, 0);
    EXPECT_EQ(Bytes(form.BuildFrames()[1], 2, 4), (std::vector<uint8_t>{0x00, 0xFD, 0xFE, 0x70}));
}

TEST(AlarmForm, NoLimitPairsShowDashesAndGoBackAsFFFF) {
    std::array<Report, 4> blocks = AlarmBlocks();
    blocks[2][5] = 0x7F;  // CH2 high
    blocks[2][6] = 0xFF;
    AlarmForm form;
    form.Fill(blocks, true, 0);
    EXPECT_EQ(form.channels[1].temperatureHigh, "--  ");
    ASSERT_EQ(form.Validate(), std::nullopt);
    const std::vector<CommandFrame> frames = form.BuildFrames();
    EXPECT_TRUE(std::all_of(frames[1].begin() + 2, frames[1].begin() + 34,
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(Bytes(frames[1], 34, 2), (std::vector<uint8_t>{0x40, 0x7D}));
    // Block 4 goes out as it came, one place on.
    EXPECT_EQ(Bytes(frames[2], 0, 4), (std::vector<uint8_t>{0x7B, 0x15, 80, 20}));
    EXPECT_EQ(Bytes(frames[2], 16, 4), (std::vector<uint8_t>{80, 20, 0x40, 0x7D}));
}

TEST(AlarmForm, TemperatureBoundsInCelsius) {
    AlarmForm form;
    form.Fill(AlarmBlocks(), true, 0);
    form.channels[3].temperatureHigh = "60.0";
    form.channels[3].temperatureLow = "-40.05";
    ASSERT_EQ(form.Validate(), std::nullopt);
    EXPECT_EQ(Bytes(form.BuildFrames()[1], 2 + 12, 4),
              (std::vector<uint8_t>{0x02, 0x58, 0xFE, 0x70}));

    form.channels[3].temperatureHigh = "60.1";
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);
    form.channels[3].temperatureHigh = "60";
    form.channels[3].temperatureLow = "-40.1";
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);
}

TEST(AlarmForm, TemperatureBoundsInFahrenheit) {
    AlarmForm form;
    form.Fill(AlarmBlocks(), true, 1);
    form.channels[0].temperatureHigh = "140.0";  // 60.0 °C
    form.channels[0].temperatureLow = "-40";
    EXPECT_EQ(form.Validate(), std::nullopt);
    form.channels[0].temperatureHigh = "140.2";  // 60.1 °C
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);
}

TEST(AlarmForm, HumidityMustLieBetween1And99SoDashesCannotBeSaved) {
    AlarmForm form;
    form.Fill(AlarmBlocks(), true, 0);
    form.channels[7].humidityHigh = "99";
    form.channels[7].humidityLow = "1";
    EXPECT_EQ(form.Validate(), std::nullopt);
    for (const char* bad : {"0", "100", "--", "abc"}) {
        form.channels[7].humidityLow = bad;
        EXPECT_EQ(form.Validate(), messages::HUMI_ERROR) << bad;
    }
    // Every temperature is checked before any humidity.
    form.channels[0].humidityHigh = "0";
    form.channels[7].temperatureLow = "61";
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);
}

TEST(AlarmForm, ASwitchedOffAlarmStillTakesPartInTheChecks) {
    std::array<Report, 4> blocks = AlarmBlocks();
    blocks[0][2] = 1;  // temperature alarm off
    AlarmForm form;
    form.Fill(blocks, true, 0);
    EXPECT_FALSE(form.TemperatureControlsEnabled());
    EXPECT_TRUE(form.HumidityControlsEnabled());
    form.channels[2].temperatureHigh = "75";
    EXPECT_EQ(form.Validate(), messages::TEMP_ERROR);

    form.channels[2].temperatureHigh = "30";
    form.humidityAlarm = 1;
    EXPECT_EQ(Bytes(form.BuildFrames()[0], 0, 4), (std::vector<uint8_t>{0x7B, 0x12, 1, 1}));
}

TEST(AlarmForm, EnableMasksRoundTrip) {
    std::array<Report, 4> blocks = AlarmBlocks();
    blocks[0][3] = 0x81;
    blocks[0][4] = 0x00;
    blocks[0][5] = 0xFF;
    blocks[0][6] = 0x02;
    AlarmForm form;
    form.Fill(blocks, true, 0);
    EXPECT_TRUE(form.channels[0].humidityHighEnabled);
    EXPECT_TRUE(form.channels[7].humidityHighEnabled);
    EXPECT_FALSE(form.channels[1].humidityHighEnabled);
    for (const AlarmChannelEdits& channel : form.channels) {
        EXPECT_FALSE(channel.humidityLowEnabled);
        EXPECT_TRUE(channel.temperatureHighEnabled);
    }
    EXPECT_FALSE(form.channels[0].temperatureLowEnabled);
    EXPECT_TRUE(form.channels[1].temperatureLowEnabled);

    const CommandFrame frame = form.BuildFrames()[0];
    EXPECT_EQ(Bytes(frame, 0, 10),
              (std::vector<uint8_t>{0x7B, 0x12, 0, 0, 0x81, 0x00, 0xFF, 0x02, 0x40, 0x7D}));
}

TEST(AlarmForm, UnknownSwitchValuesGoBackUnchanged) {
    std::array<Report, 4> blocks = AlarmBlocks();
    blocks[0][1] = 7;
    AlarmForm form;
    form.Fill(blocks, true, 0);
    EXPECT_EQ(form.humidityAlarm, NO_SELECTION);
    EXPECT_FALSE(form.HumidityControlsEnabled());
    EXPECT_EQ(form.BuildFrames()[0][2], 7);
}

TEST(AlarmForm, NotConnectedOpening) {
    AlarmForm form;
    form.Fill(WithChannel1Limits(), false, 0);
    EXPECT_FALSE(form.saveEnabled);
    EXPECT_EQ(form.temperatureAlarm, 0);
    EXPECT_EQ(form.humidityAlarm, 0);
    for (const AlarmChannelEdits& channel : form.channels) {
        EXPECT_EQ(channel.temperatureHigh, "--  ");
        EXPECT_EQ(channel.humidityLow, "--  ");
        EXPECT_FALSE(channel.temperatureHighEnabled || channel.temperatureLowEnabled ||
                     channel.humidityHighEnabled || channel.humidityLowEnabled);
    }
}

}  // namespace
}  // namespace corvalin
