// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "logger/StationAlarmCheck.h"
#include "logger/StationAlarmLimits.h"

namespace corvalin {
namespace {

// A limit counts only while its quantity's alarm is on (0), its channel's
// bit is set in its mask and it is set at all.
TEST(StationAlarmLimits, OnlyLimitsTheStationAppliesAreKept) {
    AlarmSwitches on;
    AlarmLimits limits;
    for (auto* values : {&limits.temperatureHigh, &limits.temperatureLow, &limits.humidityHigh,
                         &limits.humidityLow}) {
        values->fill(UNSET_VALUE);
    }
    limits.temperatureHigh = {250, 250, 250};  // CH1..CH3: 25.0 °C
    limits.temperatureLow[0] = -55;
    limits.humidityHigh[0] = 70;
    limits.humidityLow = {30, UNSET_VALUE, 20};
    on.temperatureHighMask = 0b101;  // CH1 and CH3
    on.temperatureLowMask = 0b001;
    on.humidityHighMask = 0b001;
    on.humidityLowMask = 0b111;  // CH2's low humidity is enabled but not set

    StationAlarms decoded = DecodeStationAlarms(on, limits);
    EXPECT_EQ(decoded.channels[0], (ChannelAlarmLimits{25.0, -5.5, 70.0, 30.0}));
    EXPECT_EQ(decoded.channels[1], ChannelAlarmLimits{});
    EXPECT_EQ(decoded.channels[2], (ChannelAlarmLimits{25.0, {}, {}, 20.0}));
    EXPECT_EQ(decoded.channels[7], ChannelAlarmLimits{});

    on.temperatureAlarm = 1;  // off
    decoded = DecodeStationAlarms(on, limits);
    EXPECT_EQ(decoded.channels[0], (ChannelAlarmLimits{{}, {}, 70.0, 30.0}));
    on.humidityAlarm = 1;
    EXPECT_EQ(DecodeStationAlarms(on, limits), StationAlarms{});
}

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
        {2, 25.0, 70, {}, {}},     {2, -5.0, 30, {}, {}},  // on the limits is within them
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
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        const ChannelAlarms alarms = CheckAlarms(station, row);
        EXPECT_EQ(alarms.temperature, c.temperatureLimit.has_value());
        EXPECT_EQ(alarms.temperatureLimit, c.temperatureLimit);
        EXPECT_EQ(alarms.humidity, c.humidityLimit.has_value());
        EXPECT_EQ(alarms.humidityLimit, c.humidityLimit);
    }
}

}  // namespace
}  // namespace corvalin
