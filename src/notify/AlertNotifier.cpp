// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/AlertNotifier.h"

#include <algorithm>

namespace corvalin {

namespace {

bool SameSink(const NotifyTarget& a, const NotifyTarget& b) {
    return a.url == b.url && a.user == b.user && a.password == b.password && a.from == b.from &&
           a.to == b.to;
}

}  // namespace

AlertNotifier::AlertNotifier(LoggerClock& clock, LogSink log)
    : clock_(clock), log_(std::move(log)) {}

AlertNotifier::~AlertNotifier() { Stop(); }

void AlertNotifier::SetTargets(const std::vector<NotifyTarget>& targets, const SinkPolicy& policy) {
    const bool samePolicy = policy == policy_;
    policy_ = policy;
    std::vector<std::unique_ptr<SinkWorker>> kept;
    for (const NotifyTarget& target : targets) {
        auto known = std::find_if(workers_.begin(), workers_.end(), [&](const auto& worker) {
            return samePolicy && worker && SameSink(worker->target(), target);
        });
        if (known != workers_.end()) {
            kept.push_back(std::move(*known));
            continue;
        }
        kept.push_back(std::make_unique<SinkWorker>(target, policy_, clock_, log_));
        kept.back()->Start();
    }
    for (auto& gone : workers_) {
        if (gone) gone->Stop();
    }
    workers_ = std::move(kept);
}

void AlertNotifier::Notify(const std::string& station, std::vector<AlertEvent> events,
                           int64_t time) {
    if (events.empty()) return;
    for (auto& worker : workers_) worker->Add({station, events, 0, false, time});
}

void AlertNotifier::Stop() {
    for (auto& worker : workers_) worker->Stop();
}

size_t AlertNotifier::Waiting() const {
    size_t waiting = 0;
    for (const auto& worker : workers_) waiting += worker->Waiting();
    return waiting;
}

}  // namespace corvalin
