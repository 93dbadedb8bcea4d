// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/AreaMaskState.h"
#include "config/DialogLists.h"
#include "protocol/SettingsBlock.h"

namespace corvalin {

// What the Setup dialog shows and edits: the selections of its lists (indices
// into DialogLists.h), the channel grid and the interval text. One object
// lives as long as the dialog, so the area masks survive between openings.
class SettingsForm {
public:
    int graphType = 0;
    int graphSpan = 0;
    int timeFormat = 0;
    int dateFormat = 0;
    int dst = 0;
    int timeZone = 0;  // entry index: zone + 12
    int unit = 0;
    AreaMaskState areas;
    std::string intervalText;
    bool saveEnabled = false;

    // The dialog opens. Connected: everything from the copies, "CH Area1"
    // shown. Not connected: entry 0 everywhere, interval "5", Save disabled,
    // the grid showing whatever area 1's mask still holds.
    void Fill(const Report& settingsCopy, int32_t intervalCopy, bool connected);

    // What Save sends.
    StationSettings Settings() const;
    // Save checks nothing.
    std::optional<std::string> Validate() const { return std::nullopt; }
    // [CMD_WRITE_SETTINGS, CMD_COMMIT].
    std::vector<CommandFrame> BuildFrames() const;

    // The settings the last connected opening loaded.
    const StationSettings& Loaded() const { return loaded_; }

private:
    StationSettings loaded_;
};

}  // namespace corvalin
