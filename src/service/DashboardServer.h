// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/Status.h"
#include "publish/DashboardApi.h"
#include "publish/ServiceState.h"
#include "service/HttpServer.h"

namespace corvalin {

// Where the chart library's files are, as Debian's libjs-dygraphs installs them.
extern const char* const DEFAULT_CHART_ASSETS;

struct DashboardSettings {
    std::string archivePath;
    std::string chartAssets = DEFAULT_CHART_ASSETS;  // dygraph.min.js and dygraph.min.css
};

// The logger's page: / (its HTML, script and style, compiled in), the chart
// library's two files, the JSON API under /api/v1/ and the metrics at
// /metrics. Only these fixed paths are answered, and no file a request
// names is ever opened: the chart library is read once, at the start.
class DashboardServer {
public:
    DashboardServer(const ServiceStateHolder& state, DashboardSettings settings,
                    std::function<int64_t()> now, HttpLimits limits = {});
    DashboardServer(const DashboardServer&) = delete;
    DashboardServer& operator=(const DashboardServer&) = delete;

    // Listens on "ADDRESS:PORT". A missing chart library does not stop it
    // (the page says the charts are missing); Warning() says why.
    Status Start(const std::string& addressAndPort);
    void Stop() { server_.Stop(); }
    uint16_t Port() const { return server_.Port(); }
    const std::string& Warning() const { return warning_; }
    const DashboardSettings& settings() const { return settings_; }

private:
    HttpResponse Answer(const HttpRequest& request);

    const ServiceStateHolder& state_;
    DashboardSettings settings_;
    DashboardApi api_;
    std::string chartScript_;
    std::string chartStyle_;
    std::string warning_;
    HttpServer server_;
};

}  // namespace corvalin
