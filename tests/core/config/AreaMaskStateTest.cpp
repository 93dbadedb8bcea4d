#include <gtest/gtest.h>

#include "config/AreaMaskState.h"

namespace corvalin {
namespace {

// A connected opening with these masks, as the Setup dialog does it.
AreaMaskState Opened(const AreaMasks& masks) {
    AreaMaskState state;
    state.BeginFilling();
    state.Load(masks);
    state.ChangeArea(0);
    state.EndFilling();
    return state;
}

constexpr int CH3_DEWPOINT = MaskBit(2, DisplayRow::DewPoint);  // box 1023

TEST(AreaMaskState, ATickSurvivesSwitchingAwayAndBack) {
    AreaMaskState state = Opened({});
    state.ChangeArea(1);
    ASSERT_TRUE(state.SetChecked(CH3_DEWPOINT, true));
    state.ChangeArea(2);
    EXPECT_EQ(state.Mask(1), 0x80u);
    EXPECT_FALSE(state.IsChecked(CH3_DEWPOINT));
    state.ChangeArea(1);
    EXPECT_TRUE(state.IsChecked(CH3_DEWPOINT));
    EXPECT_EQ(state.MasksForSave()[1], 0x80u);
}

TEST(AreaMaskState, AreaOneLetsOnlyTheChannelOneBoxesChange) {
    AreaMaskState state = Opened({0x00FFFFFF, 0, 0, 0, 0});
    for (int box = 0; box < MASK_BOX_COUNT; ++box) {
        EXPECT_EQ(state.IsEnabled(box), box < 3) << box;
        EXPECT_TRUE(state.IsChecked(box)) << box;  // a disabled box still shows its bit
    }
    EXPECT_FALSE(state.SetChecked(MaskBit(7, DisplayRow::HeatIndex), false));
    EXPECT_TRUE(state.SetChecked(MaskBit(0, DisplayRow::Temperature), false));
    // Save sends every box as shown.
    EXPECT_EQ(state.MasksForSave()[0], 0x00FFFFFEu);

    state.ChangeArea(3);
    for (int box = 0; box < MASK_BOX_COUNT; ++box) EXPECT_TRUE(state.IsEnabled(box)) << box;
    EXPECT_FALSE(state.IsEnabled(MASK_BOX_COUNT));
    EXPECT_FALSE(state.SetChecked(-1, true));
}

TEST(AreaMaskState, ANeverShownMaskGoesBackWithAll32Bits) {
    AreaMaskState state = Opened({0xFF000007, 0, 0, 0xFF000001, 0});
    AreaMasks saved = state.MasksForSave();
    EXPECT_EQ(saved[3], 0xFF000001u);
    EXPECT_EQ(saved[0], 0x00000007u);  // area 1 is shown at opening

    state.ChangeArea(3);
    state.ChangeArea(0);
    saved = state.MasksForSave();
    EXPECT_EQ(saved[3], 0x00000001u);

    // Loaded with nothing shown (the command-line tool): every word whole.
    state.Load({0xFF000007, 1, 2, 0xAB000001, 0x80000000});
    EXPECT_EQ(state.ShownArea(), AreaMaskState::NO_AREA);
    EXPECT_EQ(state.MasksForSave(), (AreaMasks{0xFF000007, 1, 2, 0xAB000001, 0x80000000}));
    EXPECT_FALSE(state.SetChecked(0, true));
}

TEST(AreaMaskState, FillingNeverStoresTheFreshBoxes) {
    AreaMaskState state = Opened({0, 0, 0x1FF, 0, 0});
    state.ChangeArea(2);
    ASSERT_TRUE(state.SetChecked(MaskBit(5, DisplayRow::Temperature), true));
    // Closed with "Exit" while area 3 was shown, reopened without a station.
    state.BeginFilling();
    state.ChangeArea(0);
    state.EndFilling();
    EXPECT_EQ(state.Mask(2), 0x1FFu);  // the unsaved tick was never stored
    EXPECT_EQ(state.ShownArea(), 0);

    // Ticks stored by an area change stay until a connected opening reloads.
    state.ChangeArea(4);
    ASSERT_TRUE(state.SetChecked(0, true));
    state.ChangeArea(1);
    state.BeginFilling();
    state.ChangeArea(0);
    state.EndFilling();
    EXPECT_EQ(state.Mask(4), 1u);
}

TEST(DisplayMask, RowsOfAWord) {
    const uint32_t mask = 0x00000080 | 0x1 | (1u << MaskBit(7, DisplayRow::HeatIndex));
    EXPECT_EQ(RowChannels(mask, DisplayRow::Temperature), std::vector<int>{1});
    EXPECT_EQ(RowChannels(mask, DisplayRow::DewPoint), std::vector<int>{3});
    EXPECT_EQ(RowChannels(mask, DisplayRow::HeatIndex), std::vector<int>{8});
    // Only the named row changes; bits 24 to 31 stay.
    EXPECT_EQ(WithRowChannels(0xFF000001, DisplayRow::Temperature, {2, 8}),
              0xFF000000u | (1u << 3) | (1u << 21));
    EXPECT_EQ(WithRowChannels(0x00FFFFFF, DisplayRow::DewPoint, {}), 0x00FFFFFFu & ~0x492492u);
}

}  // namespace
}  // namespace corvalin
