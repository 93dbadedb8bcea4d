// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/DialogLists.h"
#include "protocol/AlarmBlocks.h"

namespace corvalin {

// One channel's row of the Alarm dialog: the four limit texts as the edit
// boxes hold them and the four enable boxes.
struct AlarmChannelEdits {
    std::string temperatureHigh;
    std::string temperatureLow;
    std::string humidityHigh;
    std::string humidityLow;
    bool temperatureHighEnabled = false;
    bool temperatureLowEnabled = false;
    bool humidityHighEnabled = false;
    bool humidityLowEnabled = false;
};

// What the Alarm dialog shows and edits, with its checks and frames. Limits
// are texts in the unit the station shows (°C or °F); they become tenths of
// °C only on Save.
class AlarmForm {
public:
    int temperatureAlarm = 0;  // selection: 0 "ON", 1 "OFF", NO_SELECTION
    int humidityAlarm = 0;
    std::array<AlarmChannelEdits, CHANNEL_COUNT> channels;
    int32_t unitFahrenheit = 0;
    bool saveEnabled = false;

    // The dialog opens from the four alarm blocks (block 2 unused). Not
    // connected: both switches "ON", every limit "--", every box clear, Save disabled.
    void Fill(const std::array<Report, 4>& alarmCopy, bool connected, int32_t unitFahrenheit);

    // "°C" or "°F", beside every temperature limit.
    const char* UnitText() const;
    // A switch other than "ON" disables its limits and boxes; they still take part in Save.
    bool TemperatureControlsEnabled() const { return temperatureAlarm == 0; }
    bool HumidityControlsEnabled() const { return humidityAlarm == 0; }

    // "Temp Error." for a temperature outside -40.0 to 60.0 °C (all of them
    // are checked before any humidity), "Humi Error." for a humidity outside
    // 1 to 99; nullopt when every limit passes.
    std::optional<std::string> Validate() const;

    AlarmSwitches Switches() const;
    AlarmLimits Limits() const;
    // [CMD_WRITE_ALARM_1, CMD_WRITE_ALARM_3, CMD_WRITE_ALARM_4, CMD_COMMIT].
    std::vector<CommandFrame> BuildFrames() const;

private:
    AlarmSwitches loaded_;
    // What the station sent, and the texts that showed it: a limit whose text
    // the user did not change goes back exactly as it came (no °F round trip).
    AlarmLimits loadedLimits_;
    std::array<AlarmChannelEdits, CHANNEL_COUNT> opening_;
};

}  // namespace corvalin
