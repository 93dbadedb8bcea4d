// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "common/Messages.h"
#include "common/Status.h"
#include "graph/GraphContent.h"

namespace corvalin::chart {

// Draws `content` on a chart of `width` x `height` pixels that is never shown
// and writes it to `path` as its ending says (.png, .svg, .pdf). Needs a
// running Qt application (see ChartApplication).
Status WriteGraphImage(GraphContent&& content, const QString& path, int width, int height);

}  // namespace corvalin::chart
