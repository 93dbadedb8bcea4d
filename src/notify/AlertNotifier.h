// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "alert/AlertEvent.h"
#include "alert/NotifyTarget.h"
#include "alert/SinkQueue.h"
#include "logger/LoggerClock.h"
#include "logger/StationLogger.h"
#include "notify/SinkWorker.h"

namespace corvalin {

// The logger's sinks: the events of one reading go to each as one message.
class AlertNotifier {
public:
    AlertNotifier(LoggerClock& clock, LogSink log);
    ~AlertNotifier();

    // The sinks to use from now on (at the start and on a reload): a sink
    // named again with the same policy keeps its queue, one no longer named
    // is stopped.
    void SetTargets(const std::vector<NotifyTarget>& targets, const SinkPolicy& policy);
    void Notify(const std::string& station, std::vector<AlertEvent> events, int64_t time);
    void Stop();

    size_t SinkCount() const { return workers_.size(); }
    size_t Waiting() const;

private:
    SinkPolicy policy_;
    LoggerClock& clock_;
    LogSink log_;
    std::vector<std::unique_ptr<SinkWorker>> workers_;
};

}  // namespace corvalin
