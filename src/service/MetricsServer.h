// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "common/Status.h"
#include "publish/ServiceState.h"
#include "service/HttpServer.h"

namespace corvalin {

// The address the logger serves its metrics page on unless told otherwise.
inline constexpr const char* DEFAULT_METRICS_ADDRESS = "127.0.0.1:9475";

// The answer to GET /metrics: the Prometheus page of the state.
HttpResponse MetricsAnswer(const ServiceState& state);

// Serves GET /metrics from a thread of its own; other paths get 404, other
// methods 405.
class MetricsServer {
public:
    explicit MetricsServer(const ServiceStateHolder& state, HttpLimits limits = {});
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // Listens on "ADDRESS:PORT" only: "127.0.0.1:9475", "[::1]:9475",
    // "0.0.0.0:9475". Port 0 takes a free port (see Port()).
    Status Start(const std::string& addressAndPort);
    // Closes the socket and ends the serving thread; the state is no longer read.
    void Stop() { server_.Stop(); }
    // The port listened on; 0 when not serving.
    uint16_t Port() const { return server_.Port(); }

private:
    HttpResponse Answer(const HttpRequest& request) const;

    const ServiceStateHolder& state_;
    HttpServer server_;
};

}  // namespace corvalin
