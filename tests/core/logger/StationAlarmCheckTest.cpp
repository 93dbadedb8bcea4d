// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "logger/StationAlarmCheck.h"

namespace corvalin {
namespace {

TEST(StationAlarmCheck, AQuantityIsInAlarmPastALimitOfItsChannel) {
    StationAlarms station;
    station.channels[1] = {25.0, -5.0, 70.0, 30.0};  // CH2
    station.channels[2].temperatureLow = 0.0;        // CH3: one limit
    struct Case {
        int channel;
        std::optional<double> temperature;
        std::optional<double> humidity;
        std::optional<double> temperatureLimit;  // the limit crossed; none: no alarm
        std::optional<double> humidityLimit;
    };
    const Case cases[] = {
        {2, 25.0, 70, {}, {}},  // on the limits is within them
        {2, 25.04, 70.4, {}, {}},  {2, 25.1, 71, 25.0, 70.0},
        {2, -5.1, 29, -5.0, 30.0}, {2, std::nullopt, std::nullopt, {}, {}},
        {3, 30.0, 50, {}, {}},     {3, -0.1, 50, 0.0, {}},
        {1, 99.0, 99, {}, {}},  // CH1 has no limits
    };
    for (const Case& c : cases) {
        ArchiveRow row;
        row.channel = c.channel;
        row.temperature = c.temperature;
        row.humidity = c.humidity;
        const ChannelAlarms alarms = CheckAlarms(station, row);
        const std::string which = std::to_string(c.channel) + " " +
                                  std::to_string(c.temperature.value_or(-999)) + " " +
                                  std::to_string(c.humidity.value_or(-999));
        EXPECT_EQ(alarms.temperature, c.temperatureLimit.has_value()) << which;
        EXPECT_EQ(alarms.temperatureLimit, c.temperatureLimit) << which;
        EXPECT_EQ(alarms.humidity, c.humidityLimit.has_value()) << which;
        EXPECT_EQ(alarms.humidityLimit, c.humidityLimit) << which;
    }
}

}  // namespace
}  // namespace corvalin
