// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GraphTime.h"

namespace corvalin {

double ChartSecondsFromCivil(const CivilTime& time) {
    return static_cast<double>(WallSeconds(time));
}

}  // namespace corvalin
