// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationOptions.h"

namespace corvalin::options {

void AddStationOptions(CLI::App& app, StationArguments& arguments) {
    const char* group = "Simulated station";
    app.add_flag("--simulate", arguments.simulate,
                 "Use the simulated station instead of looking for a real one")
        ->group(group);
    app.add_option("--sim-card", arguments.simCard,
                   "The SD card is this folder (filled with default logs when it does not exist)")
        ->group(group);
    app.add_option("--sim-state", arguments.simState,
                   "Load the station's state from this JSON file at start, save it at exit")
        ->group(group);
    app.add_option(
           "--sim-sensor", arguments.simSensors,
           "N=T,H: channel N measures T °C and H %; N=none: no sensor; either with @SECONDS: "
           "from that many seconds after the start on (repeatable)")
        ->group(group);
    app.add_flag("--sim-not-main-screen", arguments.simNotMainScreen,
                 "The station reports that it is off its main screen")
        ->group(group);
    app.add_option(
           "--sim-fault", arguments.simFaults,
           "drop=N[@K], delay=MS, short-chunk=BYTES, stray[@K], unplug-after=N, list-name=NAME; "
           "@K: after the first K commands "
           "(repeatable)")
        ->group(group);
    app.add_option("--sim-pace", arguments.simPace, "Time per report in ms (default 1)")
        ->group(group);
}

}  // namespace corvalin::options
