// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "alert/AlertText.h"

namespace corvalin {
namespace {

using Json = nlohmann::json;

constexpr int64_t NOON = 1700049600;  // 2023-11-15 12:00:00 UTC

AlertEvent Event(const char* rule, AlertKind kind, int channel, const char* quantity,
                 std::optional<double> value, std::optional<double> limit, AlertState state) {
    return {rule, kind, "attic", channel, quantity, value, limit, state, NOON};
}

AlertEvent Above(AlertState state, double value) {
    return Event("ch1.temperature above 30", AlertKind::Above, 1, "temperature", value, 30.0,
                 state);
}

AlertEvent Lost(AlertState state) {
    return Event("station lost 5m", AlertKind::StationLost, 0, "", {}, {}, state);
}

TEST(AlertText, EventsReadTheSameInEverySink) {
    const std::pair<AlertEvent, const char*> cases[] = {
        {Above(AlertState::Firing, 31.2),
         "FIRING: CH1 temperature 31.2 °C is above 30.0 °C (ch1.temperature above 30)"},
        {Above(AlertState::Cleared, 29.4),
         "CLEARED: CH1 temperature is back at 29.4 °C (ch1.temperature above 30)"},
        {Event("station-alarms", AlertKind::StationAlarms, 2, "humidity", 75.0, 70.0,
               AlertState::Firing),
         "FIRING: CH2 humidity 75 % is past the station's alarm limit 70 % (station-alarms)"},
        {Event("ch3 silent 10m", AlertKind::Silent, 3, "", {}, {}, AlertState::Firing),
         "FIRING: CH3 sends no values (ch3 silent 10m)"},
        {Lost(AlertState::Cleared), "CLEARED: The station is back (station lost 5m)"},
        {Event("archive stalled 1h", AlertKind::ArchiveStalled, 0, "", 120.0, {},
               AlertState::Firing),
         "FIRING: The archive cannot be written; 120 rows wait (archive stalled 1h)"},
    };
    for (const auto& [event, line] : cases) EXPECT_EQ(EventLine(event), line);

    const AlertMessage reading{
        "attic", {Above(AlertState::Firing, 31.2), Lost(AlertState::Cleared)}, 0, false, NOON};
    EXPECT_EQ(MessageTitle(reading), "Corvalin attic: CH1 FIRING, station CLEARED");
    EXPECT_EQ(MessageBody(reading),
              EventLine(reading.events[0]) + "\n" + EventLine(reading.events[1]) + "\n");
    EXPECT_EQ(std::pair(MessagePriority(reading), MessageTags(reading)),
              std::pair(4, std::string("thermometer,warning")));
    const AlertMessage cleared{"attic", {Lost(AlertState::Cleared)}, 0, false, NOON};
    EXPECT_EQ(std::pair(MessagePriority(cleared), MessageTags(cleared)),
              std::pair(3, std::string("thermometer,white_check_mark")));
}

TEST(AlertText, TheWebhookGetsAnObjectPerEventAndAnArrayForAReading) {
    const AlertMessage one{"attic", {Above(AlertState::Firing, 31.2)}, 0, false, NOON};
    EXPECT_EQ(Json::parse(WebhookJson(one)),
              Json::parse(R"({"rule": "ch1.temperature above 30", "station": "attic", "channel": 1,
                              "quantity": "temperature", "value": 31.2, "limit": 30.0,
                              "state": "FIRING", "time": "2023-11-15T12:00:00Z"})"));
    const AlertMessage two{
        "attic", {Above(AlertState::Cleared, 29.4), Lost(AlertState::Firing)}, 0, false, NOON};
    const Json both = Json::parse(WebhookJson(two));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1],
              Json::parse(R"({"rule": "station lost 5m", "station": "attic", "channel": null,
                                       "quantity": null, "value": null, "limit": null,
                                       "state": "FIRING", "time": "2023-11-15T12:00:00Z"})"));
    const AlertMessage summary{"attic", two.events, 7, false, NOON};
    const Json held = Json::parse(WebhookJson(summary));
    EXPECT_EQ(std::tuple(held["state"], held["held"], held["events"].size()),
              std::tuple(Json("SUMMARY"), Json(7), size_t{2}));
    EXPECT_EQ(Json::parse(WebhookJson({"attic", {}, 0, true, NOON}))["state"], "TEST");
}

TEST(AlertText, AMailHasItsHeadersAndPlainTextInCrLfLines) {
    const AlertMessage message{"attic", {Above(AlertState::Firing, 31.2)}, 0, false, NOON};
    EXPECT_EQ(MailText(message, "logger@example.org", {"me@example.org", "you@example.org"}),
              "Date: Wed, 15 Nov 2023 12:00:00 +0000\r\n"
              "From: logger@example.org\r\n"
              "To: me@example.org, you@example.org\r\n"
              "Subject: Corvalin attic: CH1 FIRING\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\n"
              "Content-Transfer-Encoding: 8bit\r\n"
              "\r\n"
              "FIRING: CH1 temperature 31.2 °C is above 30.0 °C (ch1.temperature above 30)\r\n");
}

TEST(AlertText, ASummaryListsItsNewestEventsAndHowManyWereLeftOut) {
    AlertMessage summary{"attic", {}, 150, false, NOON};
    for (int i = 0; i < 150; ++i)
        summary.events.push_back(Above(AlertState::Firing, 31 + i / 10.0));
    const std::string body = MessageBody(summary);
    EXPECT_EQ(body.rfind("150 alert messages were held back by the hourly limit.", 0), 0u) << body;
    EXPECT_NE(body.find("(50 earlier events not listed)"), std::string::npos);
    EXPECT_NE(body.find("45.9 °C"), std::string::npos);
    EXPECT_EQ(body.find("35.9 °C"), std::string::npos);
    EXPECT_EQ(MessageTitle(summary), "Corvalin attic: 150 messages held back");
}

}  // namespace
}  // namespace corvalin
