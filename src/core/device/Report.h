// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace corvalin {

// The station's USB identity and report size: what the link needs to find it
// and move its reports, without knowing what the bytes mean.
constexpr uint16_t STATION_VENDOR_ID = 0x0483;
constexpr uint16_t STATION_PRODUCT_ID = 0x5750;
constexpr size_t REPORT_SIZE = 64;
constexpr size_t WIRE_REPORT_SIZE = REPORT_SIZE + 1;  // report id 0 first

using Report = std::array<uint8_t, REPORT_SIZE>;  // data bytes of one report, without the id

// The link pauses this long after every written report, to pace bursts of commands.
constexpr std::chrono::milliseconds WRITE_PAUSE{10};

}  // namespace corvalin
