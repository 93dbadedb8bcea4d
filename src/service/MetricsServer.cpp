// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/MetricsServer.h"

#include "publish/MetricsPage.h"

namespace corvalin {

namespace {

constexpr const char* PLAIN_TEXT = "text/plain; charset=utf-8";

}  // namespace

HttpResponse MetricsAnswer(const ServiceState& state) {
    return {200, METRICS_CONTENT_TYPE, RenderMetricsPage(state), {}};
}

MetricsServer::MetricsServer(const ServiceStateHolder& state, HttpLimits limits)
    : state_(state),
      server_([this](const HttpRequest& request) { return Answer(request); }, limits) {}

Status MetricsServer::Start(const std::string& addressAndPort) {
    return server_.Start(addressAndPort, "the metrics page");
}

HttpResponse MetricsServer::Answer(const HttpRequest& request) const {
    if (request.method != "GET" && request.method != "HEAD") {
        return {405, PLAIN_TEXT, "Only GET and HEAD are served.\n", {{"Allow", "GET, HEAD"}}};
    }
    if (request.path != "/metrics") {
        return {404, PLAIN_TEXT, "Not found: the metrics are at /metrics.\n", {}};
    }
    return MetricsAnswer(state_.Get());
}

}  // namespace corvalin
