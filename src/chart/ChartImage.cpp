// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartImage.h"

#include <qcustomplot.h>

#include <QFileInfo>
#include <QSvgGenerator>

namespace corvalin::chart {

namespace {

bool SaveSvg(QCustomPlot& chart, const QString& path, int width, int height) {
    if (width <= 0) width = chart.width();
    if (height <= 0) height = chart.height();
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("Corvalin graph"));
    QCPPainter painter;
    if (!painter.begin(&svg)) return false;
    chart.toPainter(&painter, width, height);
    return painter.end();
}

}  // namespace

std::optional<ImageFormat> ImageFormatOf(const QString& path) {
    const QString ending = QFileInfo(path).suffix().toLower();
    if (ending == QLatin1String("png")) return ImageFormat::Png;
    if (ending == QLatin1String("svg")) return ImageFormat::Svg;
    if (ending == QLatin1String("pdf")) return ImageFormat::Pdf;
    return std::nullopt;
}

Status SaveChartImage(QCustomPlot& chart, const QString& path, int width, int height) {
    const auto format = ImageFormatOf(path);
    if (!format) return Status::Error(messages::UNKNOWN_IMAGE_TYPE);
    bool written = false;
    switch (*format) {
        case ImageFormat::Png:
            written = chart.savePng(path, width, height);
            break;
        case ImageFormat::Svg:
            written = SaveSvg(chart, path, width, height);
            break;
        case ImageFormat::Pdf:
            written = chart.savePdf(path, width, height);
            break;
    }
    if (!written) return Status::Error("Cannot write the image " + path.toStdString());
    return Status::Ok();
}

}  // namespace corvalin::chart
