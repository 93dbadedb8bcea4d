// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "HttpClient.h"
#include "service/HttpServer.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

HttpResponse Echo(const HttpRequest& request) {
    std::string body = request.method + " " + request.path;
    for (const auto& [key, value] : request.query) body += " [" + key + "=" + value + "]";
    return {200, "text/plain; charset=utf-8", body, {}};
}

TEST(HttpServer, AnswersThroughItsHandlerWithinItsBounds) {
    HttpServer server(&Echo);
    ASSERT_TRUE(server.Start("127.0.0.1:0", "the page"));
    const test::Response response =
        test::Fetch(server.Port(), "GET", "/a%20b?x=1&y=%3Cz%3E&x=2&flag");
    EXPECT_EQ(response.body, "GET /a b [x=1] [y=<z>] [x=2] [flag=]");
    EXPECT_TRUE(response.HasHeader("X-Content-Type-Options: nosniff")) << response.headers;
    EXPECT_TRUE(response.HasHeader("Content-Security-Policy: default-src 'self'"))
        << response.headers;
    // The headers have a bound; the server goes on after.
    const std::string huge(40000, 'a');
    EXPECT_EQ(
        test::SendRaw(server.Port(), "GET / HTTP/1.1\r\nHost: h\r\nX-Big: " + huge + "\r\n\r\n")
            .status,
        431);
    EXPECT_EQ(test::Fetch(server.Port(), "GET", "/").status, 200);
}

// Each address has its share of the connections; a request that is not
// complete by its deadline is cut, however often its client sends a byte.
TEST(HttpServer, CapsEachAddressAndCutsRequestsAtTheirDeadline) {
    HttpServer server(&Echo, {.connections = 16,
                              .connectionsPerAddress = 4,
                              .requestDeadline = 2s,
                              .memoryPerConnection = 32 * 1024});
    ASSERT_TRUE(server.Start("127.0.0.1:0", "the page"));
    // Four connections that began a request and never end it.
    std::vector<int> slow;
    const std::string start = "GET /x HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    for (int i = 0; i < 4; ++i) {
        slow.push_back(test::Connect(server.Port()));
        EXPECT_GE(slow.back(), 0);
        send(slow.back(), start.data(), start.size(), MSG_NOSIGNAL);
    }
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        for (int turn = 0; turn < 600 && !done; ++turn) {
            for (int fd : slow) send(fd, "a", 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(100ms);
        }
    });
    const std::string request = "GET /x HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(test::SendRaw(server.Port(), request).status, 0);  // a fifth from there
    EXPECT_EQ(test::SendRaw(server.Port(), request, "127.0.0.1", "127.0.0.2").status, 200);
    // Closed without an answer (0), not given up on by the read (-1).
    char byte = 0;
    for (int fd : slow) EXPECT_EQ(recv(fd, &byte, 1, 0), 0);
    done = true;
    trickle.join();
    for (int fd : slow) close(fd);
    EXPECT_EQ(test::SendRaw(server.Port(), request).status, 200);
}

}  // namespace
}  // namespace corvalin
