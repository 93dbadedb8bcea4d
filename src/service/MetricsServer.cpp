// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/MetricsServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "publish/MetricsPage.h"

namespace corvalin {

namespace {

constexpr unsigned CONNECTION_LIMIT = 16;
constexpr unsigned CONNECTION_TIMEOUT_SECONDS = 10;

struct ListenAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    bool ipv6 = false;
};

Result<ListenAddress> ParseListenAddress(const std::string& text) {
    using R = Result<ListenAddress>;
    const std::string form =
        "\" is no address to serve on: give ADDRESS:PORT, such as 127.0.0.1:9475, [::1]:9475 "
        "or 0.0.0.0:9475";
    std::string host;
    std::string port;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return R::Fail("\"" + text + form + ".");
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string::npos) return R::Fail("\"" + text + form + ".");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string::npos) {
            return R::Fail("\"" + text + form + " (an IPv6 address in brackets).");
        }
    }
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoul(port) > 65535) {
        return R::Fail("\"" + text + "\" has no port from 0 to 65535 after the address.");
    }
    const auto portNumber = static_cast<uint16_t>(std::stoul(port));
    ListenAddress result;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&result.address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&result.address);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(portNumber);
        result.length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(portNumber);
        result.length = sizeof(sockaddr_in6);
        result.ipv6 = true;
    } else {
        return R::Fail("\"" + host + "\" in \"" + text +
                       "\" is no numeric IPv4 or IPv6 address (such as 127.0.0.1 or [::1]).");
    }
    return R::Of(result);
}

// A socket listening on the address; its own so that the error says why.
Result<int> Listen(const ListenAddress& where, const std::string& text) {
    using R = Result<int>;
    const int fd = socket(where.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return R::Fail("Cannot open a socket for " + text + ": " + std::strerror(errno));
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // "[::]" means IPv6 only, as written.
    if (where.ipv6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&where.address), where.length) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        const std::string why = std::strerror(errno);
        close(fd);
        return R::Fail("Cannot serve the metrics page on " + text + ": " + why + ".");
    }
    return R::Of(fd);
}

uint16_t BoundPort(int fd) {
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
    if (bound.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

MHD_Result Send(MHD_Connection* connection, unsigned status, const std::string& body,
                const char* contentType, const char* allow = nullptr) {
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    if (allow != nullptr) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result Answer(void* context, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* /*uploadData*/, size_t* uploadSize,
                  void** /*connectionContext*/) {
    const auto& state = *static_cast<const ServiceStateHolder*>(context);
    const char* text = "text/plain; charset=utf-8";
    if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 &&
        std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0) {
        *uploadSize = 0;  // a body sent along is not read
        return Send(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET and HEAD are served.\n",
                    text, "GET, HEAD");
    }
    if (std::strcmp(url, "/metrics") != 0) {
        return Send(connection, MHD_HTTP_NOT_FOUND, "Not found: the metrics are at /metrics.\n",
                    text);
    }
    return Send(connection, MHD_HTTP_OK, RenderMetricsPage(state.Get()), METRICS_CONTENT_TYPE);
}

}  // namespace

MetricsServer::MetricsServer(const ServiceStateHolder& state) : state_(state) {}

MetricsServer::~MetricsServer() { Stop(); }

Status MetricsServer::Start(const std::string& addressAndPort) {
    if (daemon_ != nullptr) return Status::Error("The metrics page is served already.");
    const Result<ListenAddress> where = ParseListenAddress(addressAndPort);
    if (!where) return Status::Error(where.error);
    const Result<int> fd = Listen(*where, addressAndPort);
    if (!fd) return Status::Error(fd.error);
    const unsigned flags =
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | (where->ipv6 ? MHD_USE_IPv6 : 0);
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &Answer, const_cast<ServiceStateHolder*>(&state_),
        MHD_OPTION_LISTEN_SOCKET, *fd, MHD_OPTION_CONNECTION_LIMIT, CONNECTION_LIMIT,
        MHD_OPTION_CONNECTION_TIMEOUT, CONNECTION_TIMEOUT_SECONDS, MHD_OPTION_END);
    if (daemon_ == nullptr) {
        close(*fd);
        return Status::Error("Cannot serve the metrics page on " + addressAndPort +
                             ": the HTTP server did not start.");
    }
    port_ = BoundPort(*fd);
    return Status::Ok();
}

void MetricsServer::Stop() {
    if (daemon_ == nullptr) return;
    MHD_stop_daemon(daemon_);  // joins its thread and closes the socket
    daemon_ = nullptr;
    port_ = 0;
}

}  // namespace corvalin
