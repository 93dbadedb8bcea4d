// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <qcustomplot.h>

#include <array>

#include "graph/GraphContent.h"

namespace corvalin::chart {

// The graph's chart: four line series (red, green, blue and an unused
// orange one), a title, the legend at the top listing the shown series, a
// date-time axis and a value axis that scales to the data. Large series
// are drawn fast because only the points that differ on screen are drawn.
// The mouse wheel zooms and dragging pans the time axis; a double click
// returns to the chosen range.
class GraphChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit GraphChart(QWidget* parent = nullptr);

    // Replaces titles, series and axes by `content` and redraws. The points
    // are taken over, so `content` is left without them.
    void Show(GraphContent&& content);
    // Shows [from, to] on the time axis without drawing anything.
    void SetTimeRange(double from, double to);
    // Back to the range of the last Show after zooming or panning.
    void ResetTimeRange();

    QCPGraph* Series(size_t index) const { return series_[index]; }
    QString Title() const;
    QString ValueAxisTitle() const;

private:
    void ShowLegendOfVisibleSeries();
    void ScaleValueAxis();

    QCPTextElement* title_ = nullptr;
    std::array<QCPGraph*, GRAPH_SERIES_COUNT> series_{};
    QCPRange chosen_;
};

}  // namespace corvalin::chart
