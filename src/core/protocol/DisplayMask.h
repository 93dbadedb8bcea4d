// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace corvalin {

// The station's display masks: one 32-bit word per display area ("CH Area1"
// to "CH Area5"), in which channel k (0 = CH1 .. 7 = CH8) owns bits 3k to 3k + 2.
constexpr int AREA_COUNT = 5;
constexpr int MASK_BOX_COUNT = 24;  // bits 24 to 31 belong to no channel
constexpr uint32_t MASK_BOX_BITS = 0xFFFFFF;

using AreaMasks = std::array<uint32_t, AREA_COUNT>;

// What a channel's bit shows; the value is the bit's place within the channel.
enum class DisplayRow { Temperature = 0, DewPoint = 1, HeatIndex = 2 };
constexpr std::array<DisplayRow, 3> DISPLAY_ROWS = {DisplayRow::Temperature, DisplayRow::DewPoint,
                                                    DisplayRow::HeatIndex};

// Bit (= check box) of a channel 0..7 in a row.
constexpr int MaskBit(int channel, DisplayRow row) { return 3 * channel + static_cast<int>(row); }

// Channels 1..8 whose bit of `row` is set, in order.
std::vector<int> RowChannels(uint32_t mask, DisplayRow row);
// `mask` with the bits of `row` set for exactly `channels` (numbers 1..8);
// the other rows and bits 24 to 31 are kept.
uint32_t WithRowChannels(uint32_t mask, DisplayRow row, const std::vector<int>& channels);

}  // namespace corvalin
