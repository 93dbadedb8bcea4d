// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GraphContent.h"

namespace corvalin {

size_t GraphContent::PointCount() const {
    size_t count = 0;
    for (const GraphSeries& line : series) count += line.times.size();
    return count;
}

}  // namespace corvalin
