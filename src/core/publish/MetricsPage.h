// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "publish/ServiceState.h"

namespace corvalin {

// What the metrics page is served as.
inline constexpr const char* METRICS_CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";

// The logger's state as a Prometheus text page (exposition format 0.0.4),
// without sample timestamps. A channel without its sensor keeps
// corvalin_sensor_up 0 and has no value samples, never a stale value.
std::string RenderMetricsPage(const ServiceState& state);

}  // namespace corvalin
