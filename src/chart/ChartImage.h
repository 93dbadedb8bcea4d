// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

#include "common/Messages.h"
#include "common/Status.h"

class QCustomPlot;

namespace corvalin::chart {

enum class ImageFormat { Png, Svg, Pdf };

// The format a file name's ending asks for (".png", ".svg", ".pdf", in any
// letter case); none for any other ending.
std::optional<ImageFormat> ImageFormatOf(const QString& path);

inline constexpr const char* IMAGE_FILE_FILTER =
    "PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)";

// Writes the chart as the file name's ending says, `width` x `height`
// pixels (0: the chart's own size).
Status SaveChartImage(QCustomPlot& chart, const QString& path, int width = 0, int height = 0);

}  // namespace corvalin::chart
