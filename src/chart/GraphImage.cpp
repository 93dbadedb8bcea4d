// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/GraphImage.h"

#include "chart/ChartImage.h"
#include "chart/GraphChart.h"

namespace corvalin::chart {

Status WriteGraphImage(GraphContent&& content, const QString& path, int width, int height) {
    if (!ImageFormatOf(path)) return Status::Error(messages::UNKNOWN_IMAGE_TYPE);
    GraphChart chart;
    chart.resize(width, height);
    chart.Show(std::move(content));
    return SaveChartImage(chart, path, width, height);
}

}  // namespace corvalin::chart
