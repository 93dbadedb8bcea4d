// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "publish/AlarmCheck.h"

namespace corvalin {
namespace {

TEST(AlarmCheck, AQuantityIsInAlarmPastALimitOfItsChannel) {
    StationAlarms station;
    station.channels[1] = {25.0, -5.0, 70.0, 30.0};  // CH2
    station.channels[2].temperatureLow = 0.0;        // CH3: one limit
    struct Case {
        int channel;
        std::optional<double> temperature;
        std::optional<double> humidity;
        bool temperatureAlarm;
        bool humidityAlarm;
    };
    const Case cases[] = {
        {2, 25.0, 70, false, false},  // on the limits is within them
        {2, 25.04, 70.4, false, false}, {2, 25.1, 71, true, true},
        {2, -5.1, 29, true, true},      {2, std::nullopt, std::nullopt, false, false},
        {3, 30.0, 50, false, false},    {3, -0.1, 50, true, false},
        {1, 99.0, 99, false, false},  // CH1 has no limits
    };
    for (const Case& c : cases) {
        ArchiveRow row;
        row.channel = c.channel;
        row.temperature = c.temperature;
        row.humidity = c.humidity;
        const ChannelAlarms alarms = CheckAlarms(station, row);
        EXPECT_EQ(alarms.temperature, c.temperatureAlarm) << c.channel << " " << *c.temperature;
        EXPECT_EQ(alarms.humidity, c.humidityAlarm) << c.channel << " " << *c.humidity;
    }
}

}  // namespace
}  // namespace corvalin
