// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/GraphChart.h"

#include <algorithm>
#include <utility>

#include "common/LargePages.h"

namespace corvalin::chart {

namespace {

constexpr double SINGLE_POINT_SIZE = 5;

const std::array<QColor, GRAPH_SERIES_COUNT> SERIES_COLOURS = {
    QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 128, 255), QColor(255, 128, 0)};

constexpr const char* TIME_LABEL_FORMAT = "yyyy-MM-dd hh:mm:ss";
// A label takes about this many pixels; fewer ticks would leave gaps, more overlap.
constexpr int PIXELS_PER_TIME_TICK = 160;
// Equal range ends are one instant: it is shown in the middle of this span.
constexpr double INSTANT_SPAN_SECONDS = 60;
// Room above and below the extreme values.
constexpr double VALUE_MARGIN = 0.05;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// A data container that takes sorted points without copying them: a million
// points a series need not exist twice.
class TakingContainer : public QCPGraphDataContainer {
public:
    explicit TakingContainer(QVector<QCPGraphData>&& points) { mData = std::move(points); }
};

QSharedPointer<QCPGraphDataContainer> TakenPoints(QVector<QCPGraphData>&& points) {
    return QSharedPointer<QCPGraphDataContainer>(new TakingContainer(std::move(points)));
}

}  // namespace

GraphChart::GraphChart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("chart"));
    setMinimumSize(320, 200);

    plotLayout()->insertRow(0);
    title_ = new QCPTextElement(this, QStringLiteral(" "), QFont(font().family(), 11, QFont::Bold));
    plotLayout()->addElement(0, 0, title_);

    // The legend above the plot, its entries side by side, centred between
    // two empty cells that take the spare width.
    axisRect()->insetLayout()->take(legend);
    auto* legendRow = new QCPLayoutGrid;
    plotLayout()->insertRow(1);
    plotLayout()->addElement(1, 0, legendRow);
    plotLayout()->setRowStretchFactor(1, 0.001);
    legendRow->addElement(0, 0, new QCPLayoutElement(this));
    legendRow->addElement(0, 1, legend);
    legendRow->addElement(0, 2, new QCPLayoutElement(this));
    legend->setSizeConstraintRect(QCPLayoutElement::scrOuterRect);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setColumnSpacing(16);
    legend->setBorderPen(Qt::NoPen);
    legend->setMargins(QMargins(4, 0, 4, 0));
    legend->setVisible(false);  // nothing shown until the first selection

    for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) {
        QCPGraph* graph = addGraph(xAxis, yAxis);
        graph->setName(QStringLiteral(" "));
        graph->setPen(QPen(SERIES_COLOURS[i], 1));
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
        graph->setAdaptiveSampling(true);
        graph->removeFromLegend();
        series_[i] = graph;
    }
    // The temperature is drawn over the others: a heat index equal to it
    // must not hide it. The legend keeps the series' order.
    addLayer(QStringLiteral("temperature"), layer(QStringLiteral("main")), limAbove);
    series_[0]->setLayer(QStringLiteral("temperature"));

    // The station's clock is shown as it is: chart seconds are read as UTC.
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QString::fromLatin1(TIME_LABEL_FORMAT));
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setTickStepStrategy(QCPAxisTicker::tssMeetTickCount);
    xAxis->setTicker(ticker);

    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    axisRect()->setRangeDrag(Qt::Horizontal);
    axisRect()->setRangeZoom(Qt::Horizontal);
    setNoAntialiasingOnDrag(true);
    connect(this, &QCustomPlot::mouseDoubleClick, this, [this] { ResetTimeRange(); });
    connect(this, &QCustomPlot::afterLayout, this, [this] {
        xAxis->ticker()->setTickCount(std::max(2, axisRect()->width() / PIXELS_PER_TIME_TICK));
    });
}

QString GraphChart::Title() const { return title_->text(); }

QString GraphChart::ValueAxisTitle() const { return yAxis->label(); }

void GraphChart::SetTimeRange(double from, double to) {
    chosen_ = from < to
                  ? QCPRange(from, to)
                  : QCPRange(from - INSTANT_SPAN_SECONDS / 2, from + INSTANT_SPAN_SECONDS / 2);
    xAxis->setRange(chosen_);
}

void GraphChart::ResetTimeRange() {
    xAxis->setRange(chosen_);
    replot();
}

void GraphChart::Show(GraphContent&& content) {
    title_->setText(Text(content.title));
    yAxis->setLabel(Text(content.valueAxisTitle));
    SetTimeRange(content.timeFrom, content.timeTo);

    for (size_t i = 0; i < GRAPH_SERIES_COUNT; ++i) {
        GraphSeries& line = content.series[i];
        QCPGraph* graph = series_[i];
        if (line.title) graph->setName(Text(*line.title));
        graph->setVisible(line.visible);

        // Built once and handed over whole; the times come ascending from the store.
        const size_t count = std::min(line.times.size(), line.values.size());
        QVector<QCPGraphData> points;
        points.reserve(static_cast<qsizetype>(count));
        PreferLargePages(points.constData(), count * sizeof(QCPGraphData));
        points.resize(static_cast<qsizetype>(count));
        QCPGraphData* out = points.data();
        for (size_t p = 0; p < count; ++p) out[p] = QCPGraphData(line.times[p], line.values[p]);
        std::vector<double>().swap(line.times);
        std::vector<double>().swap(line.values);
        graph->setData(TakenPoints(std::move(points)));
        // A line needs two points; a single reading is drawn as a dot.
        graph->setScatterStyle(QCPScatterStyle(
            count == 1 ? QCPScatterStyle::ssDisc : QCPScatterStyle::ssNone, SINGLE_POINT_SIZE));
    }
    ShowLegendOfVisibleSeries();
    ScaleValueAxis();
    replot();
}

void GraphChart::ShowLegendOfVisibleSeries() {
    legend->clearItems();
    for (QCPGraph* graph : series_) {
        if (graph->visible()) graph->addToLegend();
    }
    legend->setMaximumSize(legend->minimumOuterSizeHint());
    legend->setVisible(legend->itemCount() > 0);
}

void GraphChart::ScaleValueAxis() {
    bool found = false;
    QCPRange values;
    for (QCPGraph* graph : series_) {
        if (!graph->visible()) continue;
        bool has = false;
        const QCPRange range = graph->getValueRange(has);
        if (!has) continue;
        values = found ? QCPRange(std::min(values.lower, range.lower),
                                  std::max(values.upper, range.upper))
                       : range;
        found = true;
    }
    if (!found) return;  // no points: the scale stays as it was
    const double margin = values.size() > 0 ? values.size() * VALUE_MARGIN : 1.0;
    yAxis->setRange(values.lower - margin, values.upper + margin);
}

}  // namespace corvalin::chart
