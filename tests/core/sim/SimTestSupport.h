// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/ZonedTime.h"
#include "protocol/CommandFrame.h"
#include "sim/SimulatedStation.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvalin::test {

inline Report Frame(uint8_t code, const std::vector<uint8_t>& payload = {}) {
    return MakeCommandFrame(code, payload);
}

// The answer that carries `payload` after its "{", zeros after it.
inline Report Answer(const std::vector<uint8_t>& payload) {
    Report report{0x7B};
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    return report;
}

inline const Report END_MARKER = Answer({0x40, 0x7D});

// Sends one frame to an unpaced station and returns every report that is ready then.
inline std::vector<Report> Ask(SimulatedStation& station, const Report& frame) {
    station.ReceiveFrame(station.Generation(), frame);
    std::vector<Report> reports;
    Report report;
    while (station.NextReport(station.Generation(), report, 0) == 1) reports.push_back(report);
    return reports;
}

// Started, unpaced stations on the card folder "card" of a folder of their own.
class SimTest : public ::testing::Test {
protected:
    // With a state file when `stateful`.
    SimOptions Options(bool stateful = false, std::vector<FaultSpec> faults = {},
                       std::vector<SensorSpec> sensors = {}) const {
        SimOptions options;
        options.cardDir = Card();
        if (stateful) options.stateFile = dir_.File("state/station.json");
        options.faults = std::move(faults);
        options.sensors = std::move(sensors);
        options.paceMs = 0;
        return options;
    }
    SimulatedStation& Station(SimOptions options) {
        station_.reset();  // the station before saves its state first
        station_ = std::make_unique<SimulatedStation>(std::move(options));
        const Status started = station_->Start();
        EXPECT_TRUE(started) << started.message;
        return *station_;
    }
    // The single report answering a read command.
    Report Read(uint8_t code) {
        const std::vector<Report> answer = Ask(*station_, Frame(code));
        EXPECT_EQ(answer.size(), 1u) << "command " << int(code);
        return answer.at(0);
    }
    std::string Card() const { return dir_.File("card"); }

    TempDir dir_;
    std::unique_ptr<SimulatedStation> station_;
};

}  // namespace corvalin::test
