// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

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
    limits.humidityLow[0] = 30;
    on.temperatureHighMask = 0b101;  // CH1 and CH3
    on.temperatureLowMask = 0b001;
    on.humidityHighMask = 0b001;
    on.humidityLowMask = 0b011;  // CH2's low humidity is enabled but not set

    StationAlarms decoded = DecodeStationAlarms(on, limits);
    EXPECT_EQ(decoded.channels[0], (ChannelAlarmLimits{25.0, -5.5, 70.0, 30.0}));
    EXPECT_EQ(decoded.channels[1], ChannelAlarmLimits{});
    EXPECT_EQ(decoded.channels[2], (ChannelAlarmLimits{25.0, {}, {}, {}}));
    EXPECT_EQ(decoded.channels[7], ChannelAlarmLimits{});

    on.temperatureAlarm = 1;  // off
    decoded = DecodeStationAlarms(on, limits);
    EXPECT_EQ(decoded.channels[0], (ChannelAlarmLimits{{}, {}, 70.0, 30.0}));
    on.humidityAlarm = 1;
    EXPECT_EQ(DecodeStationAlarms(on, limits), StationAlarms{});
}

}  // namespace
}  // namespace corvalin
