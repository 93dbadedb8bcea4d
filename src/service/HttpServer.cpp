// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace corvalin {

namespace {

// Only the server's own files; no inline script or style either.
constexpr const char* CONTENT_SECURITY_POLICY = "default-src 'self'";

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
Result<int> Listen(const ListenAddress& where, const std::string& text, const std::string& what) {
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
        return R::Fail("Cannot serve " + what + " on " + text + ": " + why + ".");
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

MHD_Result CollectQuery(void* list, MHD_ValueKind, const char* key, const char* value) {
    static_cast<std::vector<std::pair<std::string, std::string>>*>(list)->emplace_back(
        key ? key : "", value ? value : "");
    return MHD_YES;
}

MHD_Result Send(MHD_Connection* connection, const HttpResponse& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Content-Security-Policy", CONTENT_SECURITY_POLICY);
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    for (const auto& [name, value] : answer.headers) {
        MHD_add_response_header(response, name.c_str(), value.c_str());
    }
    const MHD_Result queued = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    return queued;
}

}  // namespace

struct HttpServer::Callbacks {
    static MHD_Result Answer(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char* /*version*/,
                             const char* /*uploadData*/, size_t* uploadSize,
                             void** /*requestContext*/) {
        auto& server = *static_cast<HttpServer*>(self);
        HttpRequest request{method ? method : "", url ? url : "", {}};
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &CollectQuery, &request.query);
        *uploadSize = 0;  // a body sent along is not read
        return Send(connection, server.handler_(request));
    }

    static void ConnectionChanged(void* self, MHD_Connection* connection, void** /*context*/,
                                  MHD_ConnectionNotificationCode change) {
        auto& server = *static_cast<HttpServer*>(self);
        if (change == MHD_CONNECTION_NOTIFY_CLOSED) {
            server.connections_.erase(connection);
            return;
        }
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        server.connections_[connection] = {info ? info->connect_fd : -1,
                                           Steady::now() + server.limits_.requestDeadline};
    }

    // The next request on the connection has a deadline of its own.
    static void RequestEnded(void* self, MHD_Connection* connection, void** /*context*/,
                             MHD_RequestTerminationCode /*reason*/) {
        auto& server = *static_cast<HttpServer*>(self);
        const auto found = server.connections_.find(connection);
        if (found != server.connections_.end() && !found->second.cut) {
            found->second.deadline = Steady::now() + server.limits_.requestDeadline;
        }
    }
};

HttpServer::HttpServer(HttpHandler handler, HttpLimits limits)
    : handler_(std::move(handler)), limits_(limits) {}

HttpServer::~HttpServer() { Stop(); }

Status HttpServer::Start(const std::string& addressAndPort, const std::string& what) {
    if (daemon_ != nullptr) return Status::Error("Already serving " + what + ".");
    const Result<ListenAddress> where = ParseListenAddress(addressAndPort);
    if (!where) return Status::Error(where.error);
    const Result<int> fd = Listen(*where, addressAndPort, what);
    if (!fd) return Status::Error(fd.error);
    // No thread of its own: the server's thread runs it, and may cut
    // connections between its turns without racing it.
    const unsigned flags = MHD_USE_EPOLL | (where->ipv6 ? MHD_USE_IPv6 : 0);
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, reinterpret_cast<MHD_AccessHandlerCallback>(&Callbacks::Answer),
        this, MHD_OPTION_LISTEN_SOCKET, *fd, MHD_OPTION_CONNECTION_LIMIT, limits_.connections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits_.connectionsPerAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(limits_.requestDeadline.count()),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.memoryPerConnection,
        MHD_OPTION_NOTIFY_CONNECTION,
        reinterpret_cast<MHD_NotifyConnectionCallback>(&Callbacks::ConnectionChanged), this,
        MHD_OPTION_NOTIFY_COMPLETED,
        reinterpret_cast<MHD_RequestCompletedCallback>(&Callbacks::RequestEnded), this,
        MHD_OPTION_END);
    if (daemon_ == nullptr) {
        close(*fd);
        return Status::Error("Cannot serve " + what + " on " + addressAndPort +
                             ": the HTTP server did not start.");
    }
    port_ = BoundPort(*fd);
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
    return Status::Ok();
}

void HttpServer::Stop() {
    if (daemon_ == nullptr) return;
    stopping_ = true;
    wakeup_.Notify();
    if (thread_.joinable()) thread_.join();
    MHD_stop_daemon(daemon_);  // closes the socket and every connection
    daemon_ = nullptr;
    connections_.clear();
    port_ = 0;
}

int HttpServer::WaitMilliseconds() const {
    std::optional<std::chrono::milliseconds> wait;
    MHD_UNSIGNED_LONG_LONG own = 0;
    if (MHD_get_timeout(daemon_, &own) == MHD_YES) {
        wait = std::chrono::milliseconds(static_cast<int64_t>(own));
    }
    const Steady::time_point now = Steady::now();
    for (const auto& [connection, state] : connections_) {
        if (state.cut) continue;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(state.deadline - now);
        wait = std::min(wait.value_or(left), left);
    }
    // Without a connection, only a socket or Stop wakes the thread.
    if (!wait) return -1;
    return static_cast<int>(std::clamp<int64_t>(wait->count(), 0, 60000));
}

void HttpServer::CutLateConnections() {
    const Steady::time_point now = Steady::now();
    for (auto& [connection, state] : connections_) {
        if (state.cut || now < state.deadline || state.fd < 0) continue;
        // The server's next turn reads the end and closes the connection.
        shutdown(state.fd, SHUT_RDWR);
        state.cut = true;
    }
}

void HttpServer::Run() {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD);
    const int epoll = info ? info->epoll_fd : -1;
    while (!stopping_) {
        pollfd fds[2] = {{epoll, POLLIN, 0}, {wakeup_.fd(), POLLIN, 0}};
        poll(fds, 2, WaitMilliseconds());
        if (fds[1].revents != 0) wakeup_.Drain();
        MHD_run(daemon_);
        CutLateConnections();
        MHD_run(daemon_);
    }
}

}  // namespace corvalin
