// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace corvalin {

// The readings of one column over a time range, in ascending time, without
// the rows where that column holds NO_DATA: the points of one graph series.
struct RecordSeries {
    std::string column;  // as the table spells it
    // Seconds since 1970-01-01 00:00 of the station's clock, whole: what a
    // chart plots, taken from the row's key without reading its time text.
    std::vector<double> times;
    std::vector<double> values;  // read as 32-bit floats, widened
};

}  // namespace corvalin
