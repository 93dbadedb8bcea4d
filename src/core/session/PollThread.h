// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "common/ManualResetEvent.h"
#include "session/StationSession.h"

namespace corvalin {

// How long a menu command waits for a running poll cycle to end.
constexpr std::chrono::milliseconds POLL_IDLE_WAIT{3000};

// Reads the station periodically for the main window: a read cycle at once
// and then every 20th turn of about a second, a repaint request every turn.
// No cycle starts while `dialogOpen` is set; `pollIdleEvent` is reset while a
// cycle runs, so that a menu command can wait for it to end.
class PollThread {
public:
    using Repaint = std::function<void()>;
    PollThread(StationSession& session, Repaint requestRepaint,
               std::chrono::milliseconds turn = std::chrono::seconds(1));
    ~PollThread();

    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // Hears of each read cycle on the poll thread, before the next can
    // start: what the dialogs' copies hold is the cycle's own. Set before Start.
    void SetCycleListener(std::function<void(const ReadCycleAnswers&)> listener) {
        cycleListener_ = std::move(listener);
    }

    void Start();
    // Ends the loop and joins it (a read cycle in progress finishes first).
    void Stop();

    // Waits up to `timeout` for a running cycle to end, then leaves the
    // event set, as menu commands do before opening a dialog.
    void WaitForIdle(std::chrono::milliseconds timeout);

    uint64_t CyclesRun() const { return cyclesRun_.load(); }

    std::atomic<bool> dialogOpen{false};
    ManualResetEvent pollIdleEvent{true};

private:
    void Loop();
    bool SleepTurn();  // false when stopping

    StationSession& session_;
    Repaint requestRepaint_;
    std::function<void(const ReadCycleAnswers&)> cycleListener_;
    std::chrono::milliseconds turn_;
    std::atomic<uint64_t> cyclesRun_{0};
    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    bool stopping_ = false;
    std::thread thread_;
};

// Holds `dialogOpen` for a scope: a dialog or the clock setting is running.
class DialogOpenScope {
public:
    explicit DialogOpenScope(PollThread& poll) : poll_(poll) { poll_.dialogOpen = true; }
    ~DialogOpenScope() { poll_.dialogOpen = false; }
    DialogOpenScope(const DialogOpenScope&) = delete;
    DialogOpenScope& operator=(const DialogOpenScope&) = delete;

private:
    PollThread& poll_;
};

}  // namespace corvalin
