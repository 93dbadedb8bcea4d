// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "logger/StationAlarmCheck.h"

namespace corvalin {
namespace {

TEST(StationAlarmCheck, AQuantityIsInAlarmBeyondAnEnabledSetLimitWhileItsAlarmIsOn) {
    StationAlarms station;
    station.limits.temperatureHigh.fill(UNSET_VALUE);
    station.limits.temperatureLow.fill(UNSET_VALUE);
    station.limits.humidityHigh.fill(UNSET_VALUE);
    station.limits.humidityLow.fill(UNSET_VALUE);
    station.limits.temperatureHigh[1] = 250;  // CH2: 25.0 °C
    station.limits.temperatureLow[1] = -50;   // -5.0 °C
    station.limits.humidityHigh[1] = 70;
    station.limits.humidityLow[1] = 30;
    station.limits.temperatureHigh[2] = 250;  // CH3: set, but not enabled
    station.switches.temperatureHighMask = 0b010;
    station.switches.temperatureLowMask = 0b010;
    station.switches.humidityHighMask = 0b010;
    station.switches.humidityLowMask = 0b010;

    struct Case {
        int channel;
        double temperature;
        double humidity;
        uint8_t temperatureSwitch;               // 0 on
        std::optional<double> temperatureLimit;  // the limit crossed; none: no alarm
        std::optional<double> humidityLimit;
    };
    const Case cases[] = {
        {2, 25.0, 70, 0, {}, {}},  // on the limits is within them
        {2, 25.1, 71, 0, 25.0, 70}, {2, -5.1, 29, 0, -5.0, 30},
        {2, 25.1, 50, 1, {}, {}},  // the temperature alarm is off
        {3, 30.0, 50, 0, {}, {}},  // CH3's limit is not enabled
        {1, 30.0, 90, 0, {}, {}},  // CH1 has no limits
    };
    for (const Case& c : cases) {
        station.switches.temperatureAlarm = c.temperatureSwitch;
        ArchiveRow row;
        row.channel = c.channel;
        row.temperature = c.temperature;
        row.humidity = c.humidity;
        const ChannelAlarms alarms = CheckAlarms(station, row);
        EXPECT_EQ(alarms.temperature, c.temperatureLimit.has_value())
            << c.channel << " " << c.temperature;
        EXPECT_EQ(alarms.temperatureLimit, c.temperatureLimit) << c.channel << " " << c.temperature;
        EXPECT_EQ(alarms.humidity, c.humidityLimit.has_value()) << c.channel << " " << c.humidity;
        EXPECT_EQ(alarms.humidityLimit, c.humidityLimit) << c.channel << " " << c.humidity;
    }
    ArchiveRow empty;
    empty.channel = 2;
    EXPECT_FALSE(CheckAlarms(station, empty).temperature || CheckAlarms(station, empty).humidity);
}

}  // namespace
}  // namespace corvalin
