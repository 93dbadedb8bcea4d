// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/CivilTime.h"
#include "protocol/Protocol.h"

namespace corvalin {

// One 64-byte command frame: '{', the code, the payload, '@', '}', zeros.
using CommandFrame = Report;

// The one builder of command frames. The payload must leave room for the
// terminator (at most 60 bytes).
CommandFrame MakeCommandFrame(uint8_t code, std::span<const uint8_t> payload = {});

// CMD_SET_TIME with the given time.
CommandFrame MakeTimeFrame(const CivilTime& time);

// Frames as the trace shows them: 64 two-digit upper-case hex bytes.
std::string HexBytes(const Report& bytes);

}  // namespace corvalin
