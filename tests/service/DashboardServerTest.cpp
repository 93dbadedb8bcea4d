// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "HttpClient.h"
#include "service/DashboardServer.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using Json = nlohmann::json;

class DashboardServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteAll(dir.File("dygraph.min.js"), "// the chart library");
        test::WriteAll(dir.File("dygraph.min.css"), "/* its style */");
    }

    // `assets`: the folder of the chart library.
    void Serve(const std::string& assets = "") {
        server = std::make_unique<DashboardServer>(
            state, DashboardSettings{dir.File("archive.db"), assets.empty() ? dir.path() : assets},
            [] { return 0; });
        ASSERT_TRUE(server->Start("127.0.0.1:0"));
    }

    test::Response Get(const std::string& target, const std::string& method = "GET") {
        return test::Fetch(server->Port(), method, target);
    }

    test::TempDir dir;
    ServiceStateHolder state;
    std::unique_ptr<DashboardServer> server;
};

TEST_F(DashboardServerTest, ServesOnlyItsFixedPathsWithOrWithoutTheChartLibrary) {
    Serve();
    const test::Response page = Get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.HasHeader("Content-Type: text/html; charset=utf-8"));
    EXPECT_EQ(Get("/dygraph.min.js").body, "// the chart library");
    EXPECT_EQ(Get("/metrics").status, 200);
    for (const char* path : {"/dygraph.js", "/../dygraph.min.js", "/%2e%2e/archive.db",
                             "/archive.db", "/api/v2/current"}) {
        EXPECT_EQ(Get(path).status, 404) << path;
    }
    EXPECT_EQ(Get("/page.js?x=/etc/passwd#").status, 200);  // a query does not name a file
    const test::Response api = Get("/api/v1/current", "POST");
    EXPECT_EQ(api.status, 405);
    EXPECT_TRUE(api.HasHeader("Content-Type: application/json; charset=utf-8"));
    EXPECT_TRUE(api.HasHeader("Allow: GET, HEAD"));
    EXPECT_EQ(Json::parse(api.body)["error"], "Only GET and HEAD are served.");
    EXPECT_EQ(Get("/api/v1/current", "HEAD").status, 200);

    // Without the chart library the page still comes, and the warning names its package.
    Serve(dir.File("nowhere"));
    EXPECT_NE(server->Warning().find("libjs-dygraphs"), std::string::npos);
    EXPECT_EQ(Get("/dygraph.min.js").status, 404);
    EXPECT_EQ(Get("/").status, 200);
}

}  // namespace
}  // namespace corvalin
