// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "common/Status.h"
#include "session/StationSession.h"

namespace corvalin {

// The station options as typed on a command line (shared by corvalin-cli and
// the window), before they are checked.
struct StationArguments {
    bool simulate = false;
    std::string simCard;
    std::string simState;
    std::vector<std::string> simSensors;  // "N=T,H" or "N=none"
    bool simNotMainScreen = false;
    std::vector<std::string> simFaults;  // "KIND[=N]"
    int simPace = 1;
    std::string simSerial;
    std::vector<std::string> simSecondStations;  // serials
    std::vector<std::string> simLookAlikes;      // serials
    // Which station, where several may be attached.
    std::string device;
    std::string serial;
};

// Checks the arguments; the error names the bad option and value.
Result<ConnectionOptions> MakeConnectionOptions(const StationArguments& arguments);

}  // namespace corvalin
