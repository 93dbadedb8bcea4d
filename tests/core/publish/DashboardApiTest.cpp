// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "logger/CardSync.h"
#include "publish/DashboardApi.h"
#include "support/ArchiveRows.h"
#include "support/ScopedEnvironment.h"

namespace corvalin {
namespace {

using Json = nlohmann::json;

constexpr int64_t NOW = 1718100000;  // 2024-06-11T10:00:00Z

const auto Row = test::Reading;

class DashboardApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Today (UTC): CH1 from 5 °C at 01:00 to 25.5 °C at 09:00; CH2 seen yesterday only.
        // The current reading waits for the archive, as when it cannot be written.
        ASSERT_TRUE(fixture.archive->Add(
            "kv1", {Row(1, NOW - 9 * 3600, 5.0, 90), Row(1, NOW - 3600, 25.5, 40),
                    Row(2, NOW - 86400, 12.0, 60)}));
        state.Update([&](ServiceState& s) {
            s.station = "kv1";
            s.interval = 60;
            s.stationConnected = true;
            s.last = reading;
        });
    }

    Json Ask(std::string_view name, const QueryParameters& query = {}, int status = 200) {
        const ApiAnswer answer = api.Answer(name, query);
        EXPECT_EQ(answer.status, status) << name << ": " << answer.body;
        return Json::parse(answer.body);
    }

    static ReadingSnapshot Reading() {
        ReadingSnapshot reading;
        reading.time = NOW - 30;
        reading.rows = {Row(1, NOW - 30, 20.0, 50)};
        reading.sensorPresent[0] = true;  // CH1; CH2 lost its sensor
        StationAlarms alarms;
        alarms.channels[0].humidityHigh = 45;
        reading.alarms = alarms;
        return reading;
    }

    ZoneScope zone{"UTC"};
    test::ArchiveFixture fixture;
    ReadingSnapshot reading = Reading();
    ServiceStateHolder state;
    int64_t now = NOW;
    DashboardApi api{state, fixture.path, [this] { return now; }};
};

TEST_F(DashboardApiTest, CurrentShowsOnlyAFreshReadingOfAPresentSensor) {
    Json current = Ask("current");
    EXPECT_EQ(current["time"], "2024-06-11T09:59:30+00:00");
    EXPECT_EQ(current["today"], "2024-06-11");
    ASSERT_EQ(current["channels"].size(), 8u);
    const Json& one = current["channels"][0];
    EXPECT_EQ(one["state"], "ok");
    EXPECT_EQ(one["lastSeen"], "2024-06-11T09:59:30+00:00");
    EXPECT_EQ(one["temperature"], 20.0);
    EXPECT_EQ(one["absoluteHumidity"], 8.62);
    EXPECT_TRUE(one["frostPoint"].is_null());
    EXPECT_EQ(one["alarm"], (Json{{"temperature", "OFF"}, {"humidity", "ON"}}));
    EXPECT_EQ(one["todayMin"]["temperature"], 5.0);
    EXPECT_EQ(one["todayMin"]["temperatureTime"], "2024-06-11T01:00:00+00:00");
    EXPECT_EQ(one["todayMax"]["temperature"], 25.5);
    EXPECT_EQ(one["todayMin"]["frostPoint"], nullptr);
    const Json& two = current["channels"][1];
    EXPECT_EQ(two["state"], "noSensor");
    EXPECT_TRUE(two["temperature"].is_null() && two["alarm"].is_null());
    EXPECT_EQ(two["lastSeen"], "2024-06-10T10:00:00+00:00");
    EXPECT_TRUE(current["channels"][2]["lastSeen"].is_null());

    // Three intervals later without a new reading, or with the station gone:
    // no numbers, only when each channel was last seen.
    for (int change = 0; change < 2; ++change) {
        now = change == 0 ? NOW - 30 + 181 : NOW;
        state.Update([&](ServiceState& s) { s.stationConnected = change == 0; });
        current = Ask("current");
        for (const Json& channel : current["channels"]) {
            EXPECT_EQ(channel["state"], "stationLost");
            EXPECT_TRUE(channel["temperature"].is_null() && channel["humidity"].is_null());
        }
        EXPECT_EQ(current["channels"][0]["lastSeen"], "2024-06-11T09:00:00+00:00");
    }
    now = NOW - 30 + 180;
    state.Update([&](ServiceState& s) { s.stationConnected = true; });
    EXPECT_EQ(Ask("current")["channels"][0]["state"], "ok");
}

TEST_F(DashboardApiTest, SeriesDaysAndRecordsAnswerFromTheArchive) {
    // Logged every four hours: a gap is more than eight hours without a row.
    fixture.archive->SetSetting(LOGGER_INTERVAL_SETTING, "14400");
    const Json series = Ask("series", {{"channel", "1"},
                                       {"quantity", "temperature"},
                                       {"from", "2024-06-11"},
                                       {"to", "2024-06-12"}});
    EXPECT_EQ(series["bucketSeconds"], 87);  // a day in at most 1000 points
    ASSERT_EQ(series["rows"].size(), 2u);
    EXPECT_EQ(
        series["rows"][0],
        (Json{{"time", "2024-06-11T00:59:27+00:00"}, {"min", 5.0}, {"max", 5.0}, {"mean", 5.0}}));
    const Json days = Ask("days", {{"from", "2024-06-11"}, {"to", "2024-06-11"}, {"channel", "1"}});
    ASSERT_EQ(days["days"].size(), 1u);
    EXPECT_EQ(days["days"][0]["temperature"]["mean"], 15.25);
    const Json records = Ask("records", {{"channel", "2"}});
    ASSERT_EQ(records["records"].size(), 1u);
    EXPECT_EQ(records["records"][0]["humidity"]["highest"], 60.0);
}

// Each mistake is refused with 400 and the name of the parameter, in valid
// JSON whatever bytes it came with.
TEST_F(DashboardApiTest, RefusesBadParametersNamingThem) {
    // clang-format off
    const QueryParameters good{{"channel", "1"}, {"quantity", "humidity"},
        {"from", "2024-06-11T00:00:00Z"}, {"to", "2024-06-12"}, {"points", "24"}};
    // clang-format on
    struct Case {
        const char* name;
        QueryParameters query;
        const char* named;
    };
    const auto with = [&](const char* key, const char* value) {
        QueryParameters query = good;
        for (auto& [k, v] : query) v = k == key ? value : v;
        return query;
    };
    const auto without = [&](const char* key) {
        QueryParameters query = good;
        std::erase_if(query, [&](auto& p) { return p.first == key; });
        return query;
    };
    // clang-format off
    const Case cases[] = {
        {"series", with("channel", "0"), "channel"}, {"series", with("channel", ""), "channel"},
        {"series", with("quantity", "Temperature"), "quantity"},
        {"series", with("from", "2024-13-01"), "from"},
        {"series", with("to", "2024-06-11T00:00:00Z"), "to"},  // not after from
        {"series", with("points", "0"), "points"}, {"series", with("points", "10001"), "points"},
        {"series", with("points", "99999999999999999999"), "points"},
        {"series", without("to"), "to"}, {"records", {{"color", "red"}}, "color"},
        {"records", {{"channel", "1"}, {"channel", "2"}}, "channel"},
        {"days", {{"from", "2024-06-11T00:00"}, {"to", "2024-06-11"}}, "from"},
        {"days", {{"from", "2024-06-1\xff\""}, {"to", "2024-06-11"}}, "from"},
        {"days", {{"from", "2024-06-12"}, {"to", "2024-06-11"}}, "to"},
        {"days", {{"to", "2024-06-11"}}, "from"},
        {"days", {{"from", "2024-06-11"}, {"to", "2024-06-11"}, {"channel", "x"}}, "channel"},
        {"records", {{"channel", "9"}}, "channel"}, {"current", {{"channel", "1"}}, "channel"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Json error = Ask(c.name, c.query, 400);
        EXPECT_NE(error["error"].get<std::string>().find(c.named), std::string::npos)
            << c.name << ": " << error["error"];
    }
    EXPECT_EQ(Ask("series", good)["quantity"], "humidity");
    EXPECT_TRUE(Ask("nothing", {}, 404).contains("error"));
}

}  // namespace
}  // namespace corvalin
