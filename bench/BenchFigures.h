// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace corvalin::bench {

// Other work on the machine stretches every figure: say how busy it was.
inline std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string oneMinute;
    in >> oneMinute;
    return oneMinute.empty() ? "unknown" : oneMinute;
}

// The middle of the runs; -1 without any.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace corvalin::bench
