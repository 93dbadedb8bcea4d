// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SettingsBlock.h"

#include <array>

#include "common/ByteOrder.h"
namespace corvalin {

namespace {

constexpr size_t MASKS_AT = 8;  // in the answer; the frame's payload starts one place on

}  // namespace

StationSettings DecodeSettingsAnswer(const Report& answer) {
    StationSettings settings;
    settings.graphType = answer[1];
    settings.graphSpanHours = answer[2];
    settings.timeFormat = answer[3];
    settings.dateFormat = answer[4];
    settings.dst = answer[5];
    settings.timeZone = static_cast<int8_t>(answer[6]);
    settings.unit = answer[7];
    for (int area = 0; area < AREA_COUNT; ++area) {
        settings.masks[area] = ReadBigEndian32(&answer[MASKS_AT + 4 * area]);
    }
    return settings;
}

CommandFrame MakeSettingsFrame(const StationSettings& settings) {
    std::array<uint8_t, SETTINGS_PAYLOAD_SIZE> payload{};
    payload[0] = settings.graphType;
    payload[1] = settings.graphSpanHours;
    payload[2] = settings.timeFormat;
    payload[3] = settings.dateFormat;
    payload[4] = settings.dst;
    payload[5] = static_cast<uint8_t>(settings.timeZone);
    payload[6] = settings.unit;
    for (int area = 0; area < AREA_COUNT; ++area) {
        WriteBigEndian32(settings.masks[area], &payload[MASKS_AT - 1 + 4 * area]);
    }
    return MakeCommandFrame(CMD_WRITE_SETTINGS, payload);
}

CommandFrame MakeIntervalFrame(uint8_t minutes) {
    const uint8_t payload[INTERVAL_PAYLOAD_SIZE] = {minutes};
    return MakeCommandFrame(CMD_SET_INTERVAL, payload);
}

}  // namespace corvalin
