// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/StationArguments.h"

#include "app/DataFolder.h"

namespace corvalin {

Result<ConnectionOptions> MakeConnectionOptions(const StationArguments& arguments) {
    ConnectionOptions options;
    options.simulate = arguments.simulate;
    const bool simOptionGiven =
        !arguments.simCard.empty() || !arguments.simState.empty() ||
        !arguments.simSensors.empty() || arguments.simNotMainScreen ||
        !arguments.simFaults.empty() || arguments.simPace != 1 || !arguments.simSerial.empty() ||
        !arguments.simSecondStations.empty() || !arguments.simLookAlikes.empty();
    if (simOptionGiven && !arguments.simulate) {
        return Result<ConnectionOptions>::Fail(
            "The --sim-... options need --simulate (they describe the simulated station).");
    }
    if (arguments.simPace < 0) {
        return Result<ConnectionOptions>::Fail("--sim-pace: " + std::to_string(arguments.simPace) +
                                               " is not a time per report in ms (0 or more).");
    }
    options.sim.cardDir = arguments.simCard;
    options.sim.stateFile = arguments.simState;
    // Without a card or state of their own, the programs share one station,
    // as they would share a real one: the same card, state and lock.
    if (arguments.simulate && arguments.simCard.empty() && arguments.simState.empty()) {
        const std::string shared = SharedSimulatedStationFolder();
        options.sim.cardDir = shared + "/card";
        options.sim.stateFile = shared + "/state.json";
    }
    options.sim.notOnMainScreen = arguments.simNotMainScreen;
    options.sim.paceMs = arguments.simPace;
    options.sim.serial = arguments.simSerial;
    options.sim.secondStations = arguments.simSecondStations;
    options.sim.lookAlikes = arguments.simLookAlikes;
    options.choice = {arguments.device, arguments.serial};
    for (const std::string& text : arguments.simSensors) {
        Result<SensorSpec> sensor = ParseSensorSpec(text);
        if (!sensor) return Result<ConnectionOptions>::Fail("--sim-sensor: " + sensor.error);
        options.sim.sensors.push_back(*sensor);
    }
    for (const std::string& text : arguments.simFaults) {
        Result<FaultSpec> fault = ParseFaultSpec(text);
        if (!fault) return Result<ConnectionOptions>::Fail("--sim-fault: " + fault.error);
        options.sim.faults.push_back(*fault);
    }
    return Result<ConnectionOptions>::Of(options);
}

}  // namespace corvalin
