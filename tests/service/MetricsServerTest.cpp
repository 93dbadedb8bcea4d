// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/publish/PageParser.h"
#include "publish/MetricsPage.h"
#include "service/MetricsServer.h"

namespace corvalin {
namespace {

struct Response {
    int status = 0;
    std::string headers;
    std::string body;
};

// One HTTP/1.1 request over loopback, read to the server's close; the
// receive bound only keeps a broken server from hanging the test.
Response Fetch(uint16_t port, const std::string& method, const std::string& path,
               const std::string& host = "127.0.0.1") {
    sockaddr_storage address{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    socklen_t length = sizeof(sockaddr_in);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
    } else {
        EXPECT_EQ(inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr), 1) << host;
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    }
    const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_GE(fd, 0);
    timeval bound{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    Response response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);
        return response;
    }
    const std::string request = method + " " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n"
                                "Connection: close\r\n\r\n";
    EXPECT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    std::string raw;
    char buffer[4096];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, got);
    close(fd);
    const size_t end = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) {
        ADD_FAILURE() << "no HTTP response: " << raw;
        return response;
    }
    response.status = std::stoi(raw.substr(9, 3));
    response.headers = raw.substr(0, end);
    response.body = raw.substr(end + 4);
    return response;
}

TEST(MetricsServer, ServesThePageOfTheCurrentStateOnlyAtMetrics) {
    ServiceStateHolder holder;
    MetricsServer server(holder);
    ASSERT_TRUE(server.Start("127.0.0.1:0"));
    ASSERT_NE(server.Port(), 0);
    holder.Update([](ServiceState& state) {
        state.station = "kv1";
        state.reads = 7;
    });

    const Response page = Fetch(server.Port(), "GET", "/metrics");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.headers.find("Content-Type: text/plain; version=0.0.4; charset=utf-8"),
              std::string::npos)
        << page.headers;
    EXPECT_EQ(test::ParsePage(page.body).samples.at("corvalin_reads_total{station=kv1}"), "7");

    holder.Update([](ServiceState& state) { state.reads = 8; });
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics").body, RenderMetricsPage(holder.Get()));

    const Response head = Fetch(server.Port(), "HEAD", "/metrics");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.body, "");
    EXPECT_EQ(Fetch(server.Port(), "GET", "/").status, 404);
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics/x").status, 404);
    // Bound to that address only, not to the whole loopback net.
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics", "127.0.0.2").status, 0);
    const Response post = Fetch(server.Port(), "POST", "/metrics");
    EXPECT_EQ(post.status, 405);
    EXPECT_NE(post.headers.find("Allow: GET, HEAD"), std::string::npos) << post.headers;

    const uint16_t port = server.Port();
    server.Stop();
    EXPECT_EQ(server.Port(), 0);
    EXPECT_EQ(Fetch(port, "GET", "/metrics").status, 0);  // nobody listens
}

TEST(MetricsServer, RefusesBadAddressesAndATakenPort) {
    ServiceStateHolder holder;
    MetricsServer first(holder);
    ASSERT_TRUE(first.Start("127.0.0.1:0"));
    const std::string taken = "127.0.0.1:" + std::to_string(first.Port());
    for (const std::string& text :
         {std::string(""), std::string("127.0.0.1"), std::string("9475"), std::string("::1:9475"),
          std::string("[::1]9475"), std::string("[::1:9475"), std::string("127.0.0.1:"),
          std::string("127.0.0.1:65536"), std::string("127.0.0.1:http"),
          std::string("127.0.0.1:-1"), std::string("256.0.0.1:9475"),
          std::string("example.org:9475"), taken}) {
        MetricsServer server(holder);
        const Status started = server.Start(text);
        EXPECT_FALSE(started) << text;
        EXPECT_NE(started.message.find(text.empty() ? "ADDRESS:PORT" : text), std::string::npos)
            << started.message;
        EXPECT_EQ(server.Port(), 0);
    }
    EXPECT_EQ(Fetch(first.Port(), "GET", "/metrics").status, 200);
}

TEST(MetricsServer, ListensOnIpv6Loopback) {
    ServiceStateHolder holder;
    MetricsServer server(holder);
    const Status started = server.Start("[::1]:0");
    if (!started && started.message.find("Cannot assign") != std::string::npos) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_TRUE(started) << started.message;
    EXPECT_NE(server.Port(), 0);
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics", "::1").status, 200);
}

}  // namespace
}  // namespace corvalin
