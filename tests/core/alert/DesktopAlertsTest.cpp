// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "alert/DesktopAlerts.h"

namespace corvalin {
namespace {

// CH1 and CH2 as given (none: no row); CH2's high temperature limit is 25.0 °C.
ReadingSnapshot AlarmedReading(int64_t time, std::optional<double> ch1, std::optional<double> ch2) {
    ReadingSnapshot reading;
    reading.time = time;
    for (auto [channel, value] : {std::pair(1, ch1), std::pair(2, ch2)}) {
        if (value) reading.rows.push_back({channel, time, *value, 45.0, {}, {}});
    }
    StationAlarms alarms;
    alarms.channels[1].temperatureHigh = 25.0;
    reading.alarms = alarms;
    return reading;
}

std::string Summaries(const std::vector<DesktopNotice>& notices) {
    std::string text;
    for (const DesktopNotice& notice : notices) text += (text.empty() ? "" : "; ") + notice.summary;
    return text;
}

TEST(DesktopAlerts, EachAlarmSilenceAndLossIsToldOnceAsItBegins) {
    DesktopAlerts alerts;
    EXPECT_EQ(Summaries(alerts.OnStation(false, 0)), "");  // never there: not lost
    const std::vector<DesktopNotice> alarm = alerts.OnReading(AlarmedReading(10, 21.5, 26.0), 0);
    ASSERT_EQ(alarm.size(), 1u);
    EXPECT_EQ(std::tuple(alarm[0].channel, alarm[0].summary, alarm[0].body, alarm[0].critical),
              std::tuple(2, std::string("CH2 temperature alarm"),
                         std::string("26.0  °C, past the station's limit of 25.0  °C."), true));
    EXPECT_EQ(alerts.OnReading(AlarmedReading(30, 21.5, 26.0), 1).size(), 0u);
    EXPECT_EQ(alerts.OnReading(AlarmedReading(50, 21.5, 24.0), 1).size(), 0u);  // cleared: not told
    EXPECT_EQ(alerts.OnReading(AlarmedReading(70, 21.5, 26.0), 1)[0].body,
              "78.8  °F, past the station's limit of 77.0  °F.");

    EXPECT_EQ(Summaries(alerts.OnReading(AlarmedReading(189, {}, 26.0), 0)), "");
    const std::vector<DesktopNotice> silent = alerts.OnReading(AlarmedReading(190, {}, 26.0), 0);
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_EQ(std::tuple(silent[0].channel, silent[0].summary, silent[0].body, silent[0].critical),
              std::tuple(1, std::string("CH1 is silent"),
                         std::string("No value from CH1 for 2 minutes. The last: 21.5  °C, 45  %."),
                         false));
    EXPECT_EQ(Summaries(alerts.OnReading(AlarmedReading(1000, {}, 26.0), 0)),
              "");  // CH3 never sent one

    EXPECT_EQ(Summaries(alerts.OnStation(false, 1010)), "Station lost");
    EXPECT_EQ(Summaries(alerts.OnStation(false, 1020)), "");
    EXPECT_EQ(Summaries(alerts.OnStation(true, 1030)), "");
    EXPECT_EQ(Summaries(alerts.OnStation(false, 1040)), "Station lost");
}

}  // namespace
}  // namespace corvalin
