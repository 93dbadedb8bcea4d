// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationOptions.h"

namespace corvalin::options {

void AddStationOptions(CLI::App& app, StationArguments& arguments) {
    app.add_option("--device", arguments.device,
                   "Use the station at this hidraw node (or a link to it, such as "
                   "/dev/kv7500/SERIAL)")
        ->group("Station");
    app.add_option("--serial", arguments.serial, "Use the station with this USB serial number")
        ->group("Station");
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
    app.add_option("--sim-serial", arguments.simSerial, "The station's USB serial number")
        ->group(group);
    app.add_option("--sim-second-station", arguments.simSecondStations,
                   "SERIAL: the station is listed once more, as a second station with this "
                   "serial (repeatable)")
        ->group(group);
    app.add_option("--sim-look-alike", arguments.simLookAlikes,
                   "SERIAL: another device with the station's USB ids that never answers "
                   "(repeatable)")
        ->group(group);
}

}  // namespace corvalin::options
