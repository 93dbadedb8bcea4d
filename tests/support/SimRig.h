// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "session/StationSession.h"
#include "sim/SimulatedStation.h"
#include "support/ChannelRig.h"
#include "support/TempDir.h"

namespace corvalin::test {

// A session on a simulated station that answers at once, with its own SD
// card folder and a record of every frame written (from the trace).
class SimRig {
public:
    explicit SimRig(SimOptions options = {});
    ~SimRig();

    StationSession& session() { return *session_; }
    SimulatedStation& station() { return *session_->simulator(); }

    std::vector<Report> Written() const;
    void ClearWritten();
    // The command codes of the frames written, in order.
    std::vector<uint8_t> WrittenCodes() const { return CommandCodes(Written()); }

private:
    TempDir dir_;
    std::unique_ptr<StationSession> session_;
    mutable std::mutex mutex_;
    std::vector<Report> written_;
};

}  // namespace corvalin::test
