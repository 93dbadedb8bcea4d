// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tuple>

#include "config/DialogLists.h"
#include "config/SettingsForm.h"

namespace corvalin {
namespace {

// A settings answer: bytes 1 to 7, then the five area masks high byte first.
Report SettingsAnswer(std::initializer_list<uint8_t> bytes1To7, const AreaMasks& masks = {}) {
    Report answer{};
    std::copy(bytes1To7.begin(), bytes1To7.end(), answer.begin() + 1);
    for (int area = 0; area < AREA_COUNT; ++area) {
        for (int i = 0; i < 4; ++i) answer[8 + 4 * area + i] = masks[area] >> (24 - 8 * i);
    }
    return answer;
}

TEST(SettingsForm, FillsTheListsAndSavesEverythingBack) {
    const Report answer = SettingsAnswer({2, 72, 1, 2, 1, 0xF6, 1},
                                         {0xAA0001FF, 0x11000002, 3, 0xFF000001, 0x80E00000});
    SettingsForm form;
    form.Fill(answer, 30, true);
    EXPECT_EQ((std::vector{form.graphType, form.graphSpan, form.timeFormat, form.dateFormat,
                           form.dst, form.timeZone, form.unit}),
              (std::vector{2, 3, 1, 2, 1, 2, 1}));
    EXPECT_EQ(form.intervalText, "30");
    EXPECT_TRUE(form.saveEnabled);

    // The answer one place on. Area 1 is shown at opening, so its bits 24 to
    // 31 go back clear; the others go back whole until they are shown.
    CommandFrame expected{0x7B, CMD_WRITE_SETTINGS};
    std::copy(answer.begin() + 1, answer.begin() + 28, expected.begin() + 2);
    expected[9] = 0x00;
    expected[29] = 0x40;
    expected[30] = 0x7D;
    std::vector<CommandFrame> frames = form.BuildFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], expected);
    EXPECT_EQ(frames[1][1], CMD_COMMIT);
    form.areas.ChangeArea(3);
    form.areas.ChangeArea(0);
    expected[21] = 0x00;
    EXPECT_EQ(form.BuildFrames()[0], expected);

    // Not connected: entry 0 everywhere, Save disabled, and the grid still
    // shows what the earlier opening loaded into area 1.
    form.Fill(Report{}, 30, false);
    EXPECT_EQ((std::vector{form.graphType, form.graphSpan, form.timeFormat, form.dateFormat,
                           form.dst, form.timeZone, form.unit}),
              std::vector<int>(7, 0));
    EXPECT_EQ(form.intervalText, "5");
    EXPECT_FALSE(form.saveEnabled);
    EXPECT_TRUE(form.areas.IsChecked(8) && !form.areas.IsChecked(9));
}

TEST(SettingsForm, ListEntriesAndTheirBytes) {
    // The last rows hold values no list holds: no selection, and Save sends
    // the station's own value.
    using S = SettingsForm;
    // clang-format off
    const std::tuple<int S::*, size_t, uint8_t, int> rows[] = {
        {&S::graphSpan, 3, 12, 0}, {&S::graphSpan, 3, 48, 2}, {&S::timeZone, 7, 0xF4, 0},
        {&S::timeZone, 7, 0x0C, 24}, {&S::graphType, 2, 4, NO_SELECTION},
        {&S::timeZone, 7, 0xF3, NO_SELECTION}, {&S::timeZone, 7, 0x0D, NO_SELECTION},
    };
    // clang-format on
    for (const auto& [list, at, byte, selection] : rows) {  // `at`: the byte in the frame
        Report answer = SettingsAnswer({3, 24, 2, 1, 0, 1, 0});
        answer[at - 1] = byte;
        SettingsForm form;
        form.Fill(answer, 5, true);
        EXPECT_EQ(form.*list, selection) << at << ": " << int(byte);
        EXPECT_EQ(form.BuildFrames()[0][at], byte) << at << ": " << int(byte);
        if (selection == NO_SELECTION) continue;
        form.Fill(SettingsAnswer({3, 24, 2, 1, 0, 1, 0}), 5, true);
        form.*list = selection;  // chosen by the user
        EXPECT_EQ(form.BuildFrames()[0][at], byte) << at << ": " << selection;
    }
    // Any other graph span means 72 hours.
    SettingsForm form;
    form.Fill(SettingsAnswer({3, 36, 2, 1, 0, 1, 0}), 5, true);
    EXPECT_EQ(form.graphSpan, 3);
    EXPECT_EQ(form.BuildFrames()[0][3], 72);
}

TEST(AreaMaskState, AreaOneLetsOnlyChannelOneChangeAndTicksAreStoredOnAnAreaChangeOnly) {
    SettingsForm form;
    form.Fill(SettingsAnswer({0, 24}, {0x00FFFFFF, 0, 0x1FF, 0, 0}), 5, true);
    AreaMaskState& state = form.areas;
    for (int box = 0; box < MASK_BOX_COUNT; ++box) {
        EXPECT_EQ(state.IsEnabled(box), box < 3) << box;
        EXPECT_TRUE(state.IsChecked(box)) << box;  // a disabled box still shows its bit
    }
    EXPECT_FALSE(state.SetChecked(MaskBit(7, DisplayRow::HeatIndex), false));
    EXPECT_TRUE(state.SetChecked(MaskBit(0, DisplayRow::Temperature), false));
    EXPECT_EQ(state.MasksForSave()[0], 0x00FFFFFEu);

    state.ChangeArea(3);
    for (int box = 0; box < MASK_BOX_COUNT; ++box) EXPECT_TRUE(state.IsEnabled(box)) << box;
    EXPECT_FALSE(state.IsEnabled(MASK_BOX_COUNT));
    EXPECT_FALSE(state.SetChecked(-1, true));

    // Ticks are stored on an area change, never while filling.
    state.ChangeArea(1);
    ASSERT_TRUE(state.SetChecked(MaskBit(2, DisplayRow::DewPoint), true));
    state.ChangeArea(3);
    EXPECT_EQ(state.Mask(1), 0x80u);
    EXPECT_FALSE(state.IsChecked(MaskBit(2, DisplayRow::DewPoint)));
    state.ChangeArea(1);
    EXPECT_TRUE(state.IsChecked(MaskBit(2, DisplayRow::DewPoint)));
    EXPECT_EQ(state.MasksForSave()[1], 0x80u);

    state.ChangeArea(2);
    ASSERT_TRUE(state.SetChecked(MaskBit(5, DisplayRow::Temperature), true));
    // Closed with "Exit" while area 3 was shown, reopened without a station.
    form.Fill(Report{}, 5, false);
    EXPECT_EQ(state.Mask(2), 0x1FFu);  // the unsaved tick was never stored
    EXPECT_EQ(state.ShownArea(), 0);

    // Loaded with nothing shown (the command-line tool): every word goes back whole.
    state.Load({0xFF000007, 1, 2, 0xAB000001, 0x80000000});
    EXPECT_EQ(state.ShownArea(), AreaMaskState::NO_AREA);
    EXPECT_EQ(state.MasksForSave(), (AreaMasks{0xFF000007, 1, 2, 0xAB000001, 0x80000000}));
    EXPECT_FALSE(state.SetChecked(0, true));
}

}  // namespace
}  // namespace corvalin
