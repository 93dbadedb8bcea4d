// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "alert/AlertEvent.h"

namespace corvalin {

// How one sink is used: how much may wait for it, how often it is tried
// again, and how many messages an hour it gets.
struct SinkPolicy {
    size_t maxWaiting = 1000;  // messages; beyond, the oldest are dropped
    int perHour = 10;          // 0: no limit
    std::chrono::seconds firstRetry{10};
    std::chrono::seconds longestRetry{std::chrono::minutes(15)};

    bool operator==(const SinkPolicy&) const = default;
};

// The messages waiting for one sink, in order: each goes out once, and is
// only taken off after the sink took it. A failure waits a back-off that
// doubles up to its longest; past the hourly limit messages are held back
// and go out as one summary once the limit lifts. Not thread-safe.
class SinkQueue {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    explicit SinkQueue(SinkPolicy policy) : policy_(policy) {}

    // A message of events; returns how many old messages were dropped for it.
    size_t Add(AlertMessage message);
    // The message to send now, if one is due; it stays in the queue until Done.
    std::optional<AlertMessage> Take(TimePoint now);
    // The taken message went out (`sent`) or must be tried again.
    void Done(bool sent, TimePoint now);
    // When Take will next have a message; none while one is out or nothing waits.
    std::optional<TimePoint> NextDue(TimePoint now) const;

    size_t Waiting() const { return waiting_.size() + (heldMessages_ > 0 ? 1 : 0); }
    size_t HeldBack() const { return heldMessages_; }
    int failures() const { return failures_; }

private:
    bool LimitReached(TimePoint now);
    void HoldBack(AlertMessage message);

    SinkPolicy policy_;
    std::deque<AlertMessage> waiting_;
    // Held back by the limit: how many messages, and their events (the newest kept).
    size_t heldMessages_ = 0;
    std::deque<AlertEvent> heldEvents_;
    std::string heldStation_;
    // The summary out now covers this much of what is held.
    size_t summaryMessages_ = 0;
    size_t summaryEvents_ = 0;
    bool out_ = false;
    std::optional<TimePoint> retryAt_;
    std::chrono::seconds backOff_{0};
    int failures_ = 0;
    std::deque<TimePoint> sentTimes_;  // within the last hour
};

}  // namespace corvalin
