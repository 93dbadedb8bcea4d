// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/Status.h"
#include "protocol/Protocol.h"
#include "sim/SimOptions.h"
#include "sim/SimState.h"

namespace corvalin {

// A KV7500 base station in software: it takes the 64-byte command frames and
// answers with input reports exactly as the station does, so that tests,
// screenshots and users without hardware see the whole program work.
// Thread-safe: frames come from writer threads, reports go to the reader thread,
// controls come from the UI or a test.
class SimulatedStation {
public:
    explicit SimulatedStation(SimOptions options);
    ~SimulatedStation();

    SimulatedStation(const SimulatedStation&) = delete;
    SimulatedStation& operator=(const SimulatedStation&) = delete;

    // Prepares the SD card (default logs when the folder does not exist) and
    // loads the state file when one is named. Call once before use.
    Status Start();
    // Writes the state file when one is named (also done by the destructor).
    Status SaveState();

    // Host side, used by the simulated transport. A connection is identified by
    // the generation it was opened in; every unplug starts a new generation.
    bool IsPlugged() const;
    uint64_t Generation() const;
    // Takes one command frame. False when unplugged or the generation is stale.
    bool ReceiveFrame(uint64_t generation, const Report& frame);
    // Next input report: 1 with `out` filled, 0 on time-out, -1 when unplugged
    // or the generation is stale.
    int NextReport(uint64_t generation, Report& out, int timeoutMs);

    // Controls.
    void Plug();
    void Unplug();
    // Told of every plug and unplug (also the unplug-after fault), as a
    // real station's arrival and removal are; called on the thread that
    // caused it, without the station's lock held.
    void SetPlugListener(std::function<void(bool plugged)> listener);
    void SetOnMainScreen(bool onMainScreen);
    bool OnMainScreen() const;
    void SetSensor(const SensorSpec& sensor);
    // A fault from now on: its "@K" counts the commands from this moment.
    void InjectFault(FaultSpec fault);
    std::string CardDir() const;

    // The station's state as it would answer now (for tests and state files).
    Report SettingsAnswer() const;
    Report CalibrationAnswer() const;
    Report AlarmAnswer(int block) const;  // 1, 3 or 4
    uint8_t IntervalMinutes() const;
    // Seconds the station's clock is ahead of the computer's local clock.
    int64_t ClockOffsetSeconds() const;
    // Number of command frames received so far.
    uint64_t FramesReceived() const;

private:
    struct Pending {
        Report report;
        std::chrono::steady_clock::time_point readyAt;
    };

    void HandleFrameLocked(const Report& frame);
    void CommitLocked();
    void SetTimeLocked(const Report& frame);
    void QueueAnswerLocked(std::vector<Report> reports);
    // Whether a fault of this kind acts on command number `command` (from 0),
    // counting it down where it is limited.
    bool TakeFaultLocked(FaultSpec::Kind kind, uint64_t command);
    Report LiveAnswerLocked() const;
    std::vector<Report> FileListLocked() const;
    std::vector<Report> FileChunkLocked(const Report& frame) const;
    void DeleteFileLocked(const Report& frame);
    bool IsExtraEntryLocked(const std::string& name) const;
    void UnplugLocked();
    void NotifyPlugged(bool plugged);
    Status PrepareCardLocked();
    const FaultSpec* Fault(FaultSpec::Kind kind) const;

    const SimOptions options_;  // never changed after construction, read without the lock
    std::mutex listenerMutex_;
    std::function<void(bool)> plugListener_;
    mutable std::mutex mutex_;
    std::condition_variable reportReady_;
    std::deque<Pending> outbox_;
    std::chrono::steady_clock::time_point lastReadyAt_{};

    bool plugged_ = true;
    uint64_t generation_ = 1;
    uint64_t framesReceived_ = 0;
    uint64_t reportsSent_ = 0;
    uint64_t commandsReceived_ = 0;
    // The options' faults and those injected since.
    std::vector<FaultSpec> faults_;
    bool strayDue_ = false;  // a stray goes before the answer being queued
    // Per fault of the options: the answers a drop fault has still to drop,
    // the strays a one-off stray fault has still to send.
    std::vector<int64_t> faultRemaining_;
    bool unplugFaultDone_ = false;
    bool extraEntryDeleted_ = false;
    bool started_ = false;
    // False until Start has read the state file (or found none), so that a
    // file that failed to load is never overwritten with defaults.
    bool stateWritable_ = false;

    SimState state_;
    // The screen state the state file had, while the options keep the station off its main screen.
    std::optional<bool> screenForcedFrom_;
    // Writes waiting for CMD_COMMIT.
    std::vector<Report> staged_;

    SensorSpec sensors_[8];
    bool sensorFixed_[8] = {};
    std::string cardDir_;
    bool temporaryCard_ = false;
};

}  // namespace corvalin
