// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PollThread.h"

namespace corvalin {

namespace {
constexpr int TURNS_PER_CYCLE = 40;  // the counter grows by 2 per turn while polling: ~20 s
}  // namespace

PollThread::PollThread(StationSession& session, Repaint requestRepaint,
                       std::chrono::milliseconds turn)
    : session_(session), requestRepaint_(std::move(requestRepaint)), turn_(turn) {}

PollThread::~PollThread() { Stop(); }

void PollThread::Start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { Loop(); });
}

void PollThread::Stop() {
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopChanged_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PollThread::WaitForIdle(std::chrono::milliseconds timeout) {
    pollIdleEvent.WaitFor(timeout);
    pollIdleEvent.Reset();
    pollIdleEvent.Set();
}

bool PollThread::SleepTurn() {
    std::unique_lock lock(stopMutex_);
    return !stopChanged_.wait_for(lock, turn_, [this] { return stopping_; });
}

void PollThread::Loop() {
    int n = 0;
    while (true) {
        // Busy before looking at the flag: a menu command that sets the flag
        // and then waits for idle never runs beside a cycle.
        pollIdleEvent.Reset();
        if (session_.IsConnected() && !dialogOpen) {
            if (n >= TURNS_PER_CYCLE || n == 0) {
                const ReadCycleAnswers answers = session_.ReadStation();
                if (cycleListener_) cycleListener_(answers);
                ++cyclesRun_;
                if (requestRepaint_) requestRepaint_();
                n = 1;
            }
            ++n;
        }
        pollIdleEvent.Set();
        ++n;
        if (!SleepTurn()) return;
        if (requestRepaint_) requestRepaint_();
    }
}

}  // namespace corvalin
