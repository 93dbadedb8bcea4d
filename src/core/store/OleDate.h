// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "common/CivilTime.h"

namespace corvalin {

// Days since 1899-12-30 00:00; before that day the fraction counts forward
// from the whole day, as OLE Automation dates do (-1.25 is 1899-12-29 06:00).
// `time` must be valid.
double OleDateFromCivil(const CivilTime& time);
// To the nearest second; none when the value is not a date of the years
// MIN_CIVIL_YEAR..MAX_CIVIL_YEAR.
std::optional<CivilTime> CivilFromOleDate(double date);

}  // namespace corvalin
