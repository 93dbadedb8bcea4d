// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GraphTime.h"

#include <cmath>

#include "store/RecordKey.h"

namespace corvalin {

double ChartSecondsFromCivil(const CivilTime& time) {
    return static_cast<double>(SecondsSinceYearOne(time) - YEAR_ONE_TO_UNIX_EPOCH_SECONDS);
}

double ChartSecondsFromOleDate(double date) {
    // Rounded so that a row stamped at the end of the range sits exactly on it.
    return std::round(EpochSecondsFromOleDate(date));
}

}  // namespace corvalin
