// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/CivilTime.h"

namespace corvalin {

// Chart seconds: seconds since 1970-01-01 00:00 of the station's own clock,
// with no time zone applied. The chart labels them as UTC, so every label
// is exactly the logged time, also in hours that daylight saving skips or
// repeats on this computer.
// The store's series come in the same seconds (see RecordSeries.h).
double ChartSecondsFromCivil(const CivilTime& time);

}  // namespace corvalin
