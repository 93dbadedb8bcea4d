// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvalin {

// The chart has four line series: the quantity, the dew point, the heat
// index, and a fourth that is never filled.
inline constexpr size_t GRAPH_SERIES_COUNT = 4;
inline constexpr size_t QUANTITY_SERIES = 0;
inline constexpr size_t DEWPOINT_SERIES = 1;
inline constexpr size_t HEATINDEX_SERIES = 2;
inline constexpr size_t UNUSED_SERIES = 3;

// One line of the chart. Times are chart seconds (see GraphTime.h), ascending.
struct GraphSeries {
    std::optional<std::string> title;  // none: the title stays as it was
    bool visible = true;
    std::vector<double> times;
    std::vector<double> values;
};

// Everything a selection puts on the chart, independent of how it is drawn.
struct GraphContent {
    std::string title;
    std::string valueAxisTitle;
    double timeFrom = 0;  // the time axis spans exactly [timeFrom, timeTo]
    double timeTo = 0;
    std::array<GraphSeries, GRAPH_SERIES_COUNT> series;

    size_t PointCount() const;
};

}  // namespace corvalin
