// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "common/Status.h"
#include "publish/ServiceState.h"

struct MHD_Daemon;

namespace corvalin {

// The address the logger serves its metrics page on unless told otherwise.
inline constexpr const char* DEFAULT_METRICS_ADDRESS = "127.0.0.1:9475";

// Serves GET /metrics (the Prometheus page of the state) from a thread of
// its own; other paths get 404, other methods 405.
class MetricsServer {
public:
    explicit MetricsServer(const ServiceStateHolder& state);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // Listens on "ADDRESS:PORT" only: "127.0.0.1:9475", "[::1]:9475",
    // "0.0.0.0:9475". Port 0 takes a free port (see Port()).
    Status Start(const std::string& addressAndPort);
    // Closes the socket and ends the serving thread; the state is no longer read.
    void Stop();
    // The port listened on; 0 when not serving.
    uint16_t Port() const { return port_; }

private:
    const ServiceStateHolder& state_;
    MHD_Daemon* daemon_ = nullptr;
    uint16_t port_ = 0;
};

}  // namespace corvalin
