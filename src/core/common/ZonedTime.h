// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/CivilTime.h"
#include "common/Status.h"

namespace corvalin {

// Wall times and instants in the computer's zone, through the C library's
// zone database (TZ honoured).

// The computer's local time now.
CivilTime LocalTimeNow();
// The wall time of an instant in the computer's zone.
CivilTime LocalCivilTime(int64_t utcSeconds);

// "2024-10-27T02:30:00+01:00": the instant in the computer's zone with its
// offset, or "2024-10-27T01:30:00Z" when `utc`.
std::string IsoTime(int64_t utcSeconds, bool utc = false);

// A time given on the command line: "YYYY-MM-DD", "YYYY-MM-DD hh:mm[:ss]" or
// with "T" between; with "Z" or "+hh:mm" it is that instant, without it a
// local time of the computer.
Result<int64_t> ParseTimeArgument(std::string_view text);

// How wall-clock times, such as those in the station's logs, become UTC: in
// the computer's zone, or at a fixed offset (the station's own zone and
// daylight-saving settings).
class WallTimeZone {
public:
    static WallTimeZone Local();
    static WallTimeZone FixedOffset(int offsetSeconds);

    // The UTC second of a wall time that comes after the one at
    // `previousUtc`. Where the hour repeats (the fall back to winter time),
    // the order decides: the earliest instant not before the previous one,
    // so the first pass is the summer offset and the second the winter one.
    int64_t ToUtc(const CivilTime& wall, std::optional<int64_t> previousUtc) const;

private:
    struct HourOffsets {
        int64_t hourKey = -1;  // wall seconds of the hour's start; -1: none cached
        int count = 0;
        int64_t offsets[2] = {0, 0};  // UTC minus wall time, in increasing UTC order
    };
    void FindOffsets(int64_t wallSeconds) const;

    bool local_ = true;
    int fixedOffset_ = 0;
    mutable HourOffsets cache_;
};

}  // namespace corvalin
