// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "CliConnection.h"
#include "Commands.h"
#include "JsonText.h"

namespace corvalin::cli {

namespace {

// What the device did, in a few words.
std::string StateText(const DeviceCandidate& device) {
    if (!device.openError.empty()) return "cannot be opened: " + device.openError;
    switch (device.answer) {
        case StationAnswer::Answered:
            return "station";
        case StationAnswer::Busy:
            return "busy: another program kept it, so it was not asked";
        default:
            return "not a station: it did not answer";
    }
}

nlohmann::json DeviceJson(const DeviceCandidate& device) {
    using Json = nlohmann::json;
    const bool asked = device.openError.empty() && device.answer != StationAnswer::Busy;
    return {{"path", device.path},
            {"serial", device.serial.empty() ? Json(nullptr) : Json(device.serial)},
            {"canOpen", device.openError.empty()},
            {"answered", asked ? Json(device.answer == StationAnswer::Answered) : Json(nullptr)},
            {"problem",
             device.answer == StationAnswer::Answered ? Json(nullptr) : Json(StateText(device))}};
}

int RunDevices(const CommandContext& context) {
    Console& console = context.console;
    std::unique_ptr<StationSession> session;
    if (const int failed = CreateSession(context.station, console, session); failed != EXIT_DONE) {
        return failed;
    }
    const std::vector<DeviceCandidate> devices = session->ListDevices();
    if (context.flags.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const DeviceCandidate& device : devices) list.push_back(DeviceJson(device));
        console.out << JsonText(list) << "\n";
        return EXIT_DONE;
    }
    if (devices.empty()) {
        console.out << "No device with the station's USB ids (0483:5750) is attached.\n";
    }
    for (const DeviceCandidate& device : devices) {
        console.out << device.path << "  " << (device.serial.empty() ? "--" : device.serial) << "  "
                    << StateText(device) << "\n";
    }
    return EXIT_DONE;
}

}  // namespace

void AddDevicesCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command =
        app.add_subcommand("devices",
                           "Every device with the station's USB ids: path, serial, and whether it "
                           "opens and answers as a station");
    command->callback([&context] { context.run = [&context] { return RunDevices(context); }; });
}

}  // namespace corvalin::cli
