#include "GraphImage.h"

#include "ChartImage.h"
#include "GraphChart.h"

namespace corvalin::gui {

Status WriteGraphImage(GraphContent&& content, const QString& path, int width, int height) {
    if (!ImageFormatOf(path)) return Status::Error(MSG_UNKNOWN_IMAGE_TYPE);
    GraphChart chart;
    chart.resize(width, height);
    chart.Show(std::move(content));
    return SaveChartImage(chart, path, width, height);
}

}  // namespace corvalin::gui
