// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace corvalin {

// The readings of one column over a time range, in ascending time, without
// the rows where that column holds NO_DATA: the points of one graph series.
struct RecordSeries {
    std::string column;          // as the table spells it
    std::vector<double> times;   // OLE Automation dates
    std::vector<double> values;  // read as 32-bit floats, widened
};

}  // namespace corvalin
