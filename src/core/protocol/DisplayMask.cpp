// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DisplayMask.h"

#include "common/Readings.h"

namespace corvalin {

std::vector<int> RowChannels(uint32_t mask, DisplayRow row) {
    std::vector<int> channels;
    for (int k = 0; k < CHANNEL_COUNT; ++k) {
        if (mask & (1u << MaskBit(k, row))) channels.push_back(k + 1);
    }
    return channels;
}

uint32_t WithRowChannels(uint32_t mask, DisplayRow row, const std::vector<int>& channels) {
    for (int k = 0; k < CHANNEL_COUNT; ++k) mask &= ~(1u << MaskBit(k, row));
    for (int channel : channels) {
        if (channel >= 1 && channel <= CHANNEL_COUNT) mask |= 1u << MaskBit(channel - 1, row);
    }
    return mask;
}

}  // namespace corvalin
