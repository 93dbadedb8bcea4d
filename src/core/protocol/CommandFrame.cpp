// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CommandFrame.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

namespace corvalin {

CommandFrame MakeCommandFrame(uint8_t code, std::span<const uint8_t> payload) {
    CommandFrame frame{};
    assert(payload.size() + 4 <= frame.size());
    const size_t length = std::min(payload.size(), frame.size() - 4);
    frame[0] = FRAME_START;
    frame[1] = code;
    std::copy_n(payload.begin(), length, frame.begin() + 2);
    frame[2 + length] = FRAME_AT;
    frame[3 + length] = FRAME_END;
    return frame;
}

CommandFrame MakeTimeFrame(const CivilTime& time) {
    const uint8_t payload[TIME_PAYLOAD_SIZE] = {
        static_cast<uint8_t>(time.year >> 8), static_cast<uint8_t>(time.year & 0xFF),
        static_cast<uint8_t>(time.month),     static_cast<uint8_t>(time.day),
        static_cast<uint8_t>(time.hour),      static_cast<uint8_t>(time.minute),
        static_cast<uint8_t>(time.second),    static_cast<uint8_t>(DayOfWeek(time)),
    };
    return MakeCommandFrame(CMD_SET_TIME, payload);
}

std::string HexBytes(const Report& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    char part[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += part;
    }
    return text;
}

}  // namespace corvalin
