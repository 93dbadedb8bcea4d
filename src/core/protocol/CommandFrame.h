#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "protocol/Protocol.h"

namespace corvalin {

// One 64-byte command frame: '{', the code, the payload, '@', '}', zeros.
using CommandFrame = Report;

// The one builder of command frames. The payload must leave room for the
// terminator (at most 60 bytes).
CommandFrame MakeCommandFrame(uint8_t code, std::span<const uint8_t> payload = {});

// Local civil time as the station's clock takes it.
struct LocalTime {
    int year = 2000;
    int month = 1;      // 1..12
    int day = 1;        // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
};

// CMD_SET_TIME with the given time.
CommandFrame MakeTimeFrame(const LocalTime& time);

// Frames as the trace shows them: 64 two-digit upper-case hex bytes.
std::string HexBytes(const Report& bytes);

}  // namespace corvalin
