// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/Status.h"
#include "common/Wakeup.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace corvalin {

struct HttpRequest {
    std::string method;
    std::string path;                                        // without the query
    std::vector<std::pair<std::string, std::string>> query;  // decoded, in their order
};

struct HttpResponse {
    unsigned status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // besides the common ones
};

// Called on the server's thread for each complete request.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

// What one server allows its clients. A request (line, headers and the
// answer) has a deadline from the connection's start or the end of the
// answer before it, so that a client sending a byte now and then cannot
// hold its connection; each address has a share of the connections, so
// that a few slow clients leave room for the others.
struct HttpLimits {
    unsigned connections = 128;
    unsigned connectionsPerAddress = 32;
    std::chrono::seconds requestDeadline{10};
    // Per connection: bounds the request line and headers (414 and 431 beyond).
    size_t memoryPerConnection = 32 * 1024;
};

// An HTTP/1.1 server of fixed answers (libmicrohttpd) on its own thread,
// which sleeps until a socket or Stop wakes it. Every answer says
// "X-Content-Type-Options: nosniff" and carries a Content-Security-Policy
// that allows only the server's own files.
class HttpServer {
public:
    explicit HttpServer(HttpHandler handler, HttpLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on "ADDRESS:PORT" only: "127.0.0.1:8080", "[::1]:8080",
    // "0.0.0.0:8080". Port 0 takes a free port (see Port()). `what` names
    // the service in messages ("the page").
    Status Start(const std::string& addressAndPort, const std::string& what);
    // Closes the socket and ends the serving thread; the handler is no longer called.
    void Stop();
    // The port listened on; 0 when not serving.
    uint16_t Port() const { return port_; }

private:
    using Steady = std::chrono::steady_clock;
    struct Connection {
        int fd = -1;
        Steady::time_point deadline;
        bool cut = false;
    };

    struct Callbacks;  // libmicrohttpd's, on the serving thread

    void Run();
    void CutLateConnections();
    int WaitMilliseconds() const;

    HttpHandler handler_;
    HttpLimits limits_;
    MHD_Daemon* daemon_ = nullptr;
    uint16_t port_ = 0;
    // The serving thread's own; MHD calls back on it.
    std::map<MHD_Connection*, Connection> connections_;
    std::atomic<bool> stopping_{false};
    Wakeup wakeup_;
    std::thread thread_;
};

}  // namespace corvalin
