// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace corvalin {

// What one remote sensor of the simulated station measures (before calibration).
struct SensorSpec {
    int channel = 1;      // 1 to 8
    bool present = true;  // false: no sensor on this channel
    double temperatureC = 0.0;
    int humidityPct = 0;
    // Holds from this many seconds after the station's start, until the
    // channel's next one.
    double fromSeconds = 0.0;
};

// A channel's sensor at `elapsedSeconds` after the start: the last of its
// timeline that has begun; none before the first (the channel keeps its
// default sensor).
std::optional<SensorSpec> SensorAt(const std::vector<SensorSpec>& timeline, double elapsedSeconds);

// A fault the simulated station injects.
struct FaultSpec {
    enum class Kind {
        Drop,         // no answer to `value` commands, after `after` commands
        Delay,        // every answer starts `value` ms late
        ShortChunk,   // every file chunk is `value` content bytes short
        Stray,        // one unasked report before each answer, or once after `after` commands
        UnplugAfter,  // the station unplugs itself after `value` reports
        ListName,     // an extra file-list entry named `text`
    };
    Kind kind = Kind::Drop;
    int value = 0;
    std::string text;
    std::optional<int> after;  // "@K": the first K commands are answered as usual
};

struct SimOptions {
    std::string cardDir;              // the SD card's folder; empty: a temporary card for this run
    std::string stateFile;            // JSON state loaded at start and saved at exit; empty: none
    std::vector<SensorSpec> sensors;  // overrides of the default sensors
    bool notOnMainScreen = false;
    std::vector<FaultSpec> faults;
    int paceMs = 1;      // time per report
    std::string serial;  // the station's USB serial number; empty: none
    // Further devices beside it on the bus: other stations (the same
    // simulated station, listed again under another serial) and look-alikes
    // with the station's USB ids that never answer.
    std::vector<std::string> secondStations;
    std::vector<std::string> lookAlikes;
};

// "N=T,H" or "N=none", either with "@SECONDS".
Result<SensorSpec> ParseSensorSpec(std::string_view text);
// "drop=N[@K]", "delay=MS", "short-chunk=BYTES", "stray[@K]", "unplug-after=N",
// "list-name=NAME". "@K" starts the fault after the first K commands, so that an
// answer can go missing in the middle of an exchange.
Result<FaultSpec> ParseFaultSpec(std::string_view text);

}  // namespace corvalin
