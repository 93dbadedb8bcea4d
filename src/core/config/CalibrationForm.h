// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/CalibrationBlock.h"

namespace corvalin {

// One channel's row of the Calibration dialog. An edit is disabled when its
// channel has no live reading of that kind.
struct CalibrationChannelEdits {
    std::string temperature;  // offset in the shown unit (Fahrenheit: × 1.8)
    std::string humidity;     // offset in percent
    bool temperatureEditable = false;
    bool humidityEditable = false;
};

// What the Calibration dialog shows and edits. The checks make sure every
// corrected reading stays in range: the live readings copied when the dialog
// opened already contain the offsets in force, which the opening texts give.
class CalibrationForm {
public:
    std::array<CalibrationChannelEdits, CHANNEL_COUNT> channels;
    int32_t unitFahrenheit = 0;
    bool saveEnabled = false;

    // The dialog opens. Not connected: every offset 0.0 and 0, Save disabled.
    void Fill(const Report& calibrationCopy, const LiveReadings& liveCopy, bool connected,
              int32_t unitFahrenheit);

    // "°C" or "°F", beside every temperature offset.
    const char* UnitText() const;

    // " CHn Temp Out of value." when a corrected temperature leaves -40.0 to
    // 60.0 °C (all temperatures are checked before any humidity), " CHn Humi
    // Out of value." when a corrected humidity leaves 0 to 99 %; channels
    // without a live reading are skipped. nullopt when all pass.
    std::optional<std::string> Validate() const;

    CalibrationOffsets Offsets() const;
    // [CMD_WRITE_CALIBRATION, CMD_COMMIT].
    std::vector<CommandFrame> BuildFrames() const;

    // The live readings the checks use, as copied when the dialog opened.
    const LiveReadings& Live() const { return live_; }

private:
    LiveReadings live_;
    std::array<CalibrationChannelEdits, CHANNEL_COUNT> opening_;  // texts as filled
    // The offsets in force as the station sent them: an offset whose text the
    // user did not change goes back exactly as it came.
    CalibrationOffsets loaded_;
};

}  // namespace corvalin
