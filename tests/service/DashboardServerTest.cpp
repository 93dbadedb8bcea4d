// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "HttpClient.h"
#include "archive/ArchiveDatabase.h"
#include "service/DashboardServer.h"
#include "support/Files.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using Json = nlohmann::json;

class DashboardServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteAll(dir.File("dygraph.min.js"), "// the chart library");
        test::WriteAll(dir.File("dygraph.min.css"), "/* its style */");
        state.Update([](ServiceState& s) { s.station = "kv1"; });
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

// Quarter-hour rows around the fall-back (the days' rule is the core's): the
// day asked for runs 25 hours from local midnight, its times carry the offset
// of their instant.
TEST_F(DashboardServerTest, ADayFollowsTheClockChange) {
    ZoneScope zone("Europe/Berlin");
    const int64_t midnight = 1729980000;  // 2024-10-27 00:00 +02:00
    {
        auto archive = ArchiveDatabase::Open(dir.File("archive.db"));
        std::vector<ArchiveRow> rows;
        for (int64_t t = midnight - 7200; t < midnight + 27 * 3600; t += 900) {
            ArchiveRow row;
            row.channel = 4;
            row.time = t;
            row.temperature = static_cast<double>(t - midnight) / 900;  // quarters since midnight
            rows.push_back(row);
        }
        ASSERT_TRUE((*archive.value)->Add("kv1", rows));
    }
    Serve();
    const test::Response response = Get("/api/v1/days?from=2024-10-27&to=2024-10-27");
    ASSERT_EQ(response.status, 200) << response.body;
    const Json days = Json::parse(response.body)["days"];
    ASSERT_EQ(days.size(), 1u);
    const Json& temperature = days[0]["temperature"];
    EXPECT_EQ(std::tuple(temperature["min"], temperature["minTime"]),
              std::tuple(Json(0.0), Json("2024-10-27T00:00:00+02:00")));
    EXPECT_EQ(std::tuple(temperature["max"], temperature["maxTime"]),
              std::tuple(Json(99.0), Json("2024-10-27T23:45:00+01:00")));
    EXPECT_TRUE(days[0]["humidity"]["min"].is_null());
}

TEST_F(DashboardServerTest, ServesOnlyItsFixedPaths) {
    Serve();
    const test::Response page = Get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.HasHeader("Content-Type: text/html; charset=utf-8"));
    EXPECT_TRUE(page.HasHeader("Content-Security-Policy: default-src 'self'"));
    EXPECT_NE(page.body.find("/page.js"), std::string::npos);
    EXPECT_EQ(Get("/dygraph.min.js").body, "// the chart library");
    EXPECT_EQ(Get("/metrics").status, 200);
    for (const char* path : {"/dygraph.js", "/../dygraph.min.js", "/%2e%2e/archive.db",
                             "/archive.db", "/api/v2/current", "/page.js?x=/etc/passwd#"}) {
        const test::Response response = Get(path);
        if (std::string(path).rfind("/page.js", 0) == 0) {
            EXPECT_EQ(response.status, 200) << path;  // a query does not name a file
        } else {
            EXPECT_EQ(response.status, 404) << path;
        }
    }
    const test::Response api = Get("/api/v1/current", "POST");
    EXPECT_EQ(api.status, 405);
    EXPECT_TRUE(api.HasHeader("Allow: GET, HEAD"));
    EXPECT_EQ(Json::parse(api.body)["error"], "Only GET and HEAD are served.");
    const test::Response head = Get("/api/v1/current", "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.empty());
    const test::Response bad = Get("/api/v1/days?from=2024-02-30&to=2024-03-01");
    EXPECT_EQ(bad.status, 400);
    EXPECT_TRUE(bad.HasHeader("Content-Type: application/json; charset=utf-8"));
}

TEST_F(DashboardServerTest, SaysWhenTheChartLibraryIsMissing) {
    Serve(dir.File("nowhere"));
    EXPECT_NE(server->Warning().find("libjs-dygraphs"), std::string::npos);
    EXPECT_EQ(Get("/dygraph.min.js").status, 404);
    EXPECT_EQ(Get("/").status, 200);
}

}  // namespace
}  // namespace corvalin
