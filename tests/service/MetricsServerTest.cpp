// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "HttpClient.h"
#include "publish/MetricsPage.h"
#include "service/MetricsServer.h"

namespace corvalin {
namespace {

using test::Fetch;
using test::Response;

TEST(MetricsServer, ServesThePageOfTheCurrentStateOnlyAtMetrics) {
    ServiceStateHolder holder;
    MetricsServer server(holder);
    ASSERT_TRUE(server.Start("127.0.0.1:0"));
    holder.Update([](ServiceState& state) { state.reads = 7; });

    const Response page = Fetch(server.Port(), "GET", "/metrics");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.HasHeader("Content-Type: text/plain; version=0.0.4; charset=utf-8"));
    EXPECT_EQ(page.body, RenderMetricsPage(holder.Get()));
    holder.Update([](ServiceState& state) { state.reads = 8; });
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics").body, RenderMetricsPage(holder.Get()));

    EXPECT_EQ(Fetch(server.Port(), "GET", "/").status, 404);
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics/x").status, 404);
    // Bound to that address only, not to the whole loopback net.
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics", "127.0.0.2").status, 0);
    const Response post = Fetch(server.Port(), "POST", "/metrics");
    EXPECT_EQ(post.status, 405);
    EXPECT_TRUE(post.HasHeader("Allow: GET, HEAD"));

    const uint16_t port = server.Port();
    server.Stop();
    EXPECT_EQ(Fetch(port, "GET", "/metrics").status, 0);  // nobody listens
}

TEST(MetricsServer, RefusesBadAddressesAndATakenPortAndListensOnIpv6Loopback) {
    ServiceStateHolder holder;
    MetricsServer first(holder);
    ASSERT_TRUE(first.Start("127.0.0.1:0"));
    const std::string taken = "127.0.0.1:" + std::to_string(first.Port());
    for (const std::string& text : std::vector<std::string>{
             "", "::1:9475", "[::1]9475", "127.0.0.1:65536", "example.org:9475", taken}) {
        MetricsServer server(holder);
        const Status started = server.Start(text);
        EXPECT_FALSE(started) << text;
        EXPECT_NE(started.message.find(text.empty() ? "ADDRESS:PORT" : text), std::string::npos)
            << started.message;
    }
    EXPECT_EQ(Fetch(first.Port(), "GET", "/metrics").status, 200);

    MetricsServer server(holder);
    const Status started = server.Start("[::1]:0");
    if (!started && started.message.find("Cannot assign") != std::string::npos) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_TRUE(started) << started.message;
    EXPECT_EQ(Fetch(server.Port(), "GET", "/metrics", "::1").status, 200);
}

}  // namespace
}  // namespace corvalin
