// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Status.h"
#include "store/OleDate.h"

namespace corvalin {

// How the wall-clock times in the station's logs become UTC. The station's
// clock is set from the computer's local time, so by default they are read
// in the computer's zone (the C library's zone database, TZ honoured); or at
// a fixed offset, the station's own zone and daylight-saving settings.
class CardTimeZone {
public:
    static CardTimeZone Local();
    static CardTimeZone FixedOffset(int offsetSeconds);

    // The UTC second of a wall time logged after the line at `previousUtc`.
    // Where the hour repeats (the fall back to winter time), the line order
    // decides: the earliest reading not before the previous line, so the
    // first pass is the summer offset and the second the winter one.
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

// Seconds since 1970 of a wall time read as if it were UTC.
int64_t WallSeconds(const CivilTime& time);

// "2024-10-27T02:30:00+01:00": the instant in the computer's zone with its
// offset, or with "Z" when `utc`.
std::string IsoTime(int64_t utcSeconds, bool utc = false);

// A time given on the command line: "YYYY-MM-DD", "YYYY-MM-DD hh:mm[:ss]" or
// with "T" between; with "Z" or "+hh:mm" it is that instant, without it a
// local time of the computer.
Result<int64_t> ParseTimeArgument(std::string_view text);

}  // namespace corvalin
