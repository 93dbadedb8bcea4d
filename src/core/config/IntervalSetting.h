// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/StationChannel.h"

namespace corvalin {

enum class IntervalResult {
    Set,          // "Set Interval Success."
    OutOfRange,   // "Interval Range of values: 5 to 240 Minute", nothing sent
    Unconnected,  // "Unconnected": nothing sent, or the station went away while sending
};

const char* IntervalMessage(IntervalResult result);

// The interval an edit text asks for; nullopt when it lies outside 5 to 240
// (a text that is no number reads as 0).
std::optional<uint8_t> IntervalFromText(std::string_view text);

// The Setup dialog's "Set Interval": the range check, then CMD_SET_INTERVAL
// as a single unanswered command (no screen-state query, no commit).
IntervalResult SetLoggingInterval(StationChannel& channel, std::string_view text);

}  // namespace corvalin
