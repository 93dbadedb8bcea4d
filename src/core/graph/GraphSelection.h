// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "store/OleDate.h"

namespace corvalin {

// What the graph shows: the temperature with dew point and heat index, or
// the humidity.
enum class GraphQuantity { Temperature, Humidity };

// One request for a graph: the range (start excluded, end included), the
// quantity, and the unit text for the value axis in temperature mode.
struct GraphSelection {
    CivilTime start;
    CivilTime end;
    GraphQuantity quantity = GraphQuantity::Temperature;
    std::string unitLabel;  // e.g. "(°C)", UTF-8; empty before any import
};

}  // namespace corvalin
