// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "alert/AlertEvent.h"
#include "alert/NotifyTarget.h"
#include "alert/SinkQueue.h"
#include "common/ManualResetEvent.h"
#include "logger/LoggerClock.h"
#include "logger/StationLogger.h"

namespace corvalin {

// One sink's own thread: sends its queue in order, waits out the back-off
// and the hourly limit on the clock, and logs a failure once, not each try.
class SinkWorker {
public:
    SinkWorker(NotifyTarget target, SinkPolicy policy, LoggerClock& clock, LogSink log);
    ~SinkWorker();
    SinkWorker(const SinkWorker&) = delete;
    SinkWorker& operator=(const SinkWorker&) = delete;

    void Start();
    // Ends the thread, cutting a transfer short; what still waits is logged.
    void Stop();
    void Add(AlertMessage message);

    const NotifyTarget& target() const { return target_; }
    size_t Waiting() const;

private:
    void Run();
    void SendOne(const AlertMessage& message);
    void Say(LogLevel level, const std::string& text);

    const NotifyTarget target_;
    LoggerClock& clock_;
    LogSink log_;
    mutable std::mutex mutex_;
    SinkQueue queue_;
    size_t dropped_ = 0;    // since the last message went out
    bool failing_ = false;  // the failure was logged
    bool holding_ = false;  // the hourly limit was logged
    ManualResetEvent wake_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace corvalin
