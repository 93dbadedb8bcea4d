#include <gtest/gtest.h>

#include <vector>

#include "protocol/ClockSync.h"
#include "protocol/CommandFrame.h"

namespace corvalin {
namespace {

// The frame's bytes up to `count`, and a check that the rest is zero.
std::vector<uint8_t> Head(const CommandFrame& frame, size_t count) {
    for (size_t i = count; i < frame.size(); ++i) EXPECT_EQ(frame[i], 0) << "byte " << i;
    return {frame.begin(), frame.begin() + count};
}

TEST(CommandFrame, CommandsWithoutPayload) {
    EXPECT_EQ(Head(MakeCommandFrame(CMD_READ_SETTINGS), 4),
              (std::vector<uint8_t>{0x7B, 0x04, 0x40, 0x7D}));
    EXPECT_EQ(Head(MakeCommandFrame(CMD_SCREEN_STATE), 4),
              (std::vector<uint8_t>{0x7B, 0x51, 0x40, 0x7D}));
    EXPECT_EQ(Head(MakeCommandFrame(CMD_COMMIT), 4),
              (std::vector<uint8_t>{0x7B, 0x2F, 0x40, 0x7D}));
}

TEST(CommandFrame, TerminatorFollowsThePayload) {
    const uint8_t interval[] = {240};
    EXPECT_EQ(Head(MakeCommandFrame(CMD_SET_INTERVAL, interval), 5),
              (std::vector<uint8_t>{0x7B, 0x40, 0xF0, 0x40, 0x7D}));
    std::vector<uint8_t> settings(SETTINGS_PAYLOAD_SIZE, 0x11);
    CommandFrame frame = MakeCommandFrame(CMD_WRITE_SETTINGS, settings);
    EXPECT_EQ(frame[28], 0x11);
    EXPECT_EQ(frame[29], 0x40);
    EXPECT_EQ(frame[30], 0x7D);
}

TEST(TimeFrame, ExamplesWithTheirDaysOfTheWeek) {
    auto frameOf = [](const char* text) {
        Result<LocalTime> time = ParseLocalTime(text);
        EXPECT_TRUE(time) << time.error;
        return MakeTimeFrame(*time);
    };
    // Tuesday.
    EXPECT_EQ(Head(frameOf("2024-03-05 14:07:09"), 12),
              (std::vector<uint8_t>{0x7B, 0x30, 0x07, 0xE8, 0x03, 0x05, 0x0E, 0x07, 0x09, 0x02,
                                    0x40, 0x7D}));
    // Thursday.
    EXPECT_EQ(Head(frameOf("2015-12-31 23:59:58"), 12),
              (std::vector<uint8_t>{0x7B, 0x30, 0x07, 0xDF, 0x0C, 0x1F, 0x17, 0x3B, 0x3A, 0x04,
                                    0x40, 0x7D}));
    // Sunday.
    EXPECT_EQ(Head(frameOf("2016-01-03 00:00:00"), 12),
              (std::vector<uint8_t>{0x7B, 0x30, 0x07, 0xE0, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00,
                                    0x40, 0x7D}));
    EXPECT_EQ(frameOf("2024-02-29 12:00:00")[9], 4);  // leap day, a Thursday
}

TEST(ParseLocalTime, RefusesWhatIsNoValidTime) {
    for (const char* text : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-04-31 10:00:00",
                             "2024-03-05 24:00:00", "2024-03-05 14:60:00", "2024-03-05",
                             "yesterday", "2024-03-05 14:07:09 extra", ""}) {
        EXPECT_FALSE(ParseLocalTime(text)) << text;
    }
}

TEST(HexBytes, UpperCaseSeparatedBySingleBlanks) {
    const std::string text = HexBytes(MakeCommandFrame(CMD_SCREEN_STATE));
    EXPECT_EQ(text.substr(0, 14), "7B 51 40 7D 00");
    EXPECT_EQ(text.size(), 64u * 3 - 1);
}

}  // namespace
}  // namespace corvalin
