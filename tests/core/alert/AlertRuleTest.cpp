// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "alert/AlertRule.h"

namespace corvalin {
namespace {

TEST(AlertRule, RulesAreReadAndWrittenOneWay) {
    struct Case {
        const char* text;
        const char* written;
        AlertKind kind;
        int channel;
        double limit;
        double clear;
        int64_t seconds;
    };
    const Case cases[] = {
        {"ch1.temperature above 30", "ch1.temperature above 30", AlertKind::Above, 1, 30, 29.5, 0},
        {"CH2.Humidity  below 20 for 90s", "ch2.humidity below 20 for 90s", AlertKind::Below, 2, 20,
         22, 90},
        {"ch3.dewPoint above 15.5 clear 14 for 10m", "ch3.dewPoint above 15.5 for 10m clear 14",
         AlertKind::Above, 3, 15.5, 14, 600},
        {"ch8.heatIndex below -5 for 120m", "ch8.heatIndex below -5 for 2h", AlertKind::Below, 8,
         -5, -4.5, 7200},
        {"ch4.humidity above 70 clear 70", "ch4.humidity above 70 clear 70", AlertKind::Above, 4,
         70, 70, 0},
        {"ch5.temperature below 0 clear 0", "ch5.temperature below 0 clear 0", AlertKind::Below, 5,
         0, 0, 0},
        {"station lost 0s", "station lost 0s", AlertKind::StationLost, 0, 0, 0, 0},
        {"archive stalled 3600s", "archive stalled 1h", AlertKind::ArchiveStalled, 0, 0, 0, 3600},
    };
    for (const Case& c : cases) {
        const Result<AlertRule> rule = ParseAlertRule(c.text);
        ASSERT_TRUE(rule) << rule.error;
        EXPECT_EQ(rule->text, c.written);
        // The written form reads back as the same rule.
        EXPECT_EQ(ParseAlertRule(rule->text).value, rule.value) << c.text;
        EXPECT_EQ(std::tuple(rule->kind, rule->channel, rule->limit, rule->clear, rule->seconds),
                  std::tuple(c.kind, c.channel, c.limit, c.clear, c.seconds))
            << c.text;
    }
    EXPECT_EQ(RuleId(*ParseAlertRule("ch1.temperature below -5.5")), "ch1_temperature_below_m5_5");
    EXPECT_EQ(RuleId(*ParseAlertRule("station-alarms")), "station_alarms");
}

TEST(AlertRule, ABadRuleIsRefusedNamingTheRuleAndItsWrongWord) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty"},
        {"ch9.temperature above 30", "\"ch9\" is not a channel"},
        {"ch1.temp above 30", "\"temp\" is not a quantity"},
        {"ch1.temperature over 30", "\"over\" is not \"above\" or \"below\""},
        {"ch1.temperature above", "a value is missing after \"above\""},
        {"ch1.humidity above 101", "\"101\" is not a number from 0 to 100"},
        {"ch1.temperature above 30 for 10d", "\"10d\" is not a duration"},
        {"ch1.temperature above 30 clear 31", "\"31\" is not inside the limit"},
        {"ch1.temperature below 30 clear 29", "\"29\" is not inside the limit"},
        {"ch1.temperature above 30 for 1m for 2m", "\"for\" is given twice"},
        {"ch1.temperature above 30 soon", "\"soon\" is not expected here"},
        {"station gone 5m", "\"gone\" is not \"lost\""},
        {"archive stalled 9000h", "\"9000h\" is not a duration"},
        {"station-alarms now", "\"now\" is not expected here"},
        {"freezer above 30", "\"freezer\" is not a rule"},
    };
    for (const auto& [text, why] : cases) {
        const Result<AlertRule> rule = ParseAlertRule(text);
        ASSERT_FALSE(rule) << text;
        if (*text != '\0') {
            EXPECT_NE(rule.error.find("\"" + std::string(text) + "\""), std::string::npos)
                << rule.error;
        }
        EXPECT_NE(rule.error.find(why), std::string::npos) << rule.error;
    }
}

}  // namespace
}  // namespace corvalin
