#include <gtest/gtest.h>

#include "config/DialogLists.h"
#include "config/SettingsForm.h"

namespace corvalin {
namespace {

Report SettingsAnswer(std::initializer_list<uint8_t> bytes1To7, uint32_t area1 = 0x00FFFFFF) {
    Report answer{};
    size_t at = 1;
    for (uint8_t byte : bytes1To7) answer[at++] = byte;
    answer[8] = static_cast<uint8_t>(area1 >> 24);
    answer[9] = static_cast<uint8_t>(area1 >> 16);
    answer[10] = static_cast<uint8_t>(area1 >> 8);
    answer[11] = static_cast<uint8_t>(area1);
    return answer;
}

TEST(SettingsForm, FillsTheListsFromTheAnswerAndSendsThemBackUnchanged) {
    SettingsForm form;
    form.Fill(SettingsAnswer({2, 36, 1, 2, 1, 0xF6, 1}, 0x000001FF), 30, true);
    EXPECT_STREQ(GRAPH_TYPE_ENTRIES[form.graphType], "Dewpoint");
    EXPECT_STREQ(GRAPH_SPAN_ENTRIES[form.graphSpan], "72H");
    EXPECT_STREQ(TIME_FORMAT_ENTRIES[form.timeFormat], "AM h:mm:ss");
    EXPECT_STREQ(DATE_FORMAT_ENTRIES[form.dateFormat], "DD-MM-YYYY");
    EXPECT_STREQ(DST_ENTRIES[form.dst], "ON");
    EXPECT_STREQ(TIME_ZONE_ENTRIES[form.timeZone], "-10");
    EXPECT_STREQ(UNIT_ENTRIES[form.unit], "°F");
    EXPECT_EQ(form.intervalText, "30");
    EXPECT_TRUE(form.saveEnabled);
    EXPECT_EQ(form.areas.ShownArea(), 0);
    EXPECT_TRUE(form.areas.IsChecked(8));

    const std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 2u);
    CommandFrame expected{};
    const uint8_t head[] = {0x7B, 0x10, 2, 72, 1, 2, 1, 0xF6, 1, 0x00, 0x00, 0x01, 0xFF};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[29] = 0x40;
    expected[30] = 0x7D;
    EXPECT_EQ(frames[0], expected);
    EXPECT_EQ(frames[1], MakeCommandFrame(CMD_COMMIT));
}

TEST(SettingsForm, GraphSpanAndTimeZoneBytes) {
    SettingsForm form;
    form.Fill(SettingsAnswer({0, 12, 0, 0, 0, 0, 0}), 5, true);
    EXPECT_STREQ(GRAPH_SPAN_ENTRIES[form.graphSpan], "12H");
    EXPECT_STREQ(TIME_ZONE_ENTRIES[form.timeZone], "0");

    struct Case {
        const char* zone;
        uint8_t byte;
    };
    for (const Case& c : {Case{"-12", 0xF4}, Case{"0", 0x00}, Case{"12", 0x0C}}) {
        form.timeZone = static_cast<int>(
            std::find_if(TIME_ZONE_ENTRIES.begin(), TIME_ZONE_ENTRIES.end(),
                         [&](const char* entry) { return std::string(entry) == c.zone; }) -
            TIME_ZONE_ENTRIES.begin());
        EXPECT_EQ(form.BuildFrames()[0][7], c.byte) << c.zone;
    }
    const uint8_t hours[] = {0x0C, 0x18, 0x30, 0x48};
    for (int span = 0; span < 4; ++span) {
        form.graphSpan = span;
        EXPECT_EQ(form.BuildFrames()[0][3], hours[span]);
    }
}

TEST(SettingsForm, ValuesNoListHoldsGoBackAsTheStationSentThem) {
    SettingsForm form;
    form.Fill(SettingsAnswer({7, 24, 3, 9, 2, 0x20, 5}), 5, true);
    EXPECT_EQ(form.graphType, NO_SELECTION);
    EXPECT_EQ(form.timeZone, NO_SELECTION);
    EXPECT_EQ(form.unit, NO_SELECTION);
    const CommandFrame frame = form.BuildFrames()[0];
    EXPECT_EQ((std::vector<uint8_t>(frame.begin() + 2, frame.begin() + 9)),
              (std::vector<uint8_t>{7, 24, 3, 9, 2, 0x20, 5}));
}

TEST(SettingsForm, AMaskNeverShownKeepsItsHighBitsInTheFrame) {
    Report answer = SettingsAnswer({0, 24, 0, 0, 0, 0, 0}, 0xAA000001);
    answer[20] = 0xFF;  // area 4: 0xFF000001
    answer[23] = 0x01;
    SettingsForm form;
    form.Fill(answer, 5, true);

    CommandFrame frame = form.BuildFrames()[0];
    EXPECT_EQ((std::vector<uint8_t>(frame.begin() + 9, frame.begin() + 13)),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x01}));  // area 1 is shown
    EXPECT_EQ((std::vector<uint8_t>(frame.begin() + 21, frame.begin() + 25)),
              (std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x01}));

    form.areas.ChangeArea(3);
    form.areas.ChangeArea(1);
    frame = form.BuildFrames()[0];
    EXPECT_EQ((std::vector<uint8_t>(frame.begin() + 21, frame.begin() + 25)),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x01}));
}

TEST(SettingsForm, NotConnectedOpeningShowsEntryZeroAndDisablesSave) {
    SettingsForm form;
    form.Fill(SettingsAnswer({2, 36, 1, 2, 1, 0xF6, 1}, 0x38), 30, true);
    form.Fill(Report{}, 30, false);
    for (int selection : {form.graphType, form.graphSpan, form.timeFormat, form.dateFormat,
                          form.dst, form.timeZone, form.unit}) {
        EXPECT_EQ(selection, 0);
    }
    EXPECT_EQ(form.intervalText, "5");
    EXPECT_FALSE(form.saveEnabled);
    // The grid still shows what the earlier opening loaded into area 1.
    EXPECT_TRUE(form.areas.IsChecked(3));
    EXPECT_FALSE(form.areas.IsChecked(0));
}

TEST(IntervalFrame, TwoHundredForty) {
    const CommandFrame frame = MakeIntervalFrame(240);
    EXPECT_EQ((std::vector<uint8_t>(frame.begin(), frame.begin() + 5)),
              (std::vector<uint8_t>{0x7B, 0x40, 0xF0, 0x40, 0x7D}));
    EXPECT_TRUE(std::all_of(frame.begin() + 5, frame.end(), [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace corvalin
