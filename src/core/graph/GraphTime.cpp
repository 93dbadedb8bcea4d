// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GraphTime.h"

#include "store/RecordKey.h"

namespace corvalin {

double ChartSecondsFromCivil(const CivilTime& time) {
    return static_cast<double>(SecondsSinceYearOne(time) - YEAR_ONE_TO_UNIX_EPOCH_SECONDS);
}

}  // namespace corvalin
