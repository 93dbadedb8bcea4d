// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/SinkQueue.h"

#include <algorithm>

namespace corvalin {

namespace {

constexpr std::chrono::hours LIMIT_WINDOW{1};

int64_t Seconds(SinkQueue::TimePoint time) {
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

}  // namespace

size_t SinkQueue::Add(AlertMessage message) {
    waiting_.push_back(std::move(message));
    size_t dropped = 0;
    const size_t limit = std::max<size_t>(policy_.maxWaiting, 1);
    while (waiting_.size() > limit) {
        // The one being sent is not the sender's to drop.
        const bool frontIsOut = out_ && summaryMessages_ == 0;
        waiting_.erase(waiting_.begin() + (frontIsOut ? 1 : 0));
        ++dropped;
    }
    return dropped;
}

std::optional<AlertMessage> SinkQueue::Take(TimePoint now) {
    if (out_ || (retryAt_ && now < *retryAt_)) return std::nullopt;
    if (heldMessages_ == 0 && waiting_.empty()) return std::nullopt;
    // Once anything is held back, what comes later waits behind it.
    if (heldMessages_ > 0 || LimitReached(now)) {
        while (!waiting_.empty()) {
            HoldBack(std::move(waiting_.front()));
            waiting_.pop_front();
        }
    }
    if (LimitReached(now)) return std::nullopt;
    out_ = true;
    if (heldMessages_ == 0) return waiting_.front();
    summaryMessages_ = heldMessages_;
    summaryEvents_ = heldEvents_.size();
    AlertMessage summary;
    summary.station = heldStation_;
    summary.events.assign(heldEvents_.begin(), heldEvents_.end());
    summary.heldBack = heldMessages_;
    summary.time = Seconds(now);
    return summary;
}

void SinkQueue::Done(bool sent, TimePoint now) {
    if (!out_) return;
    out_ = false;
    if (!sent) {
        ++failures_;
        backOff_ = backOff_.count() == 0 ? policy_.firstRetry
                                         : std::min(backOff_ * 2, policy_.longestRetry);
        retryAt_ = now + backOff_;
        summaryMessages_ = summaryEvents_ = 0;  // the next try sums up what is held then
        return;
    }
    failures_ = 0;
    backOff_ = std::chrono::seconds(0);
    retryAt_.reset();
    sentTimes_.push_back(now);
    if (summaryMessages_ == 0) {
        waiting_.pop_front();
        return;
    }
    heldMessages_ -= summaryMessages_;
    heldEvents_.erase(heldEvents_.begin(),
                      heldEvents_.begin() + static_cast<std::ptrdiff_t>(summaryEvents_));
    summaryMessages_ = summaryEvents_ = 0;
}

std::optional<SinkQueue::TimePoint> SinkQueue::NextDue(TimePoint now) const {
    if (out_ || (waiting_.empty() && heldMessages_ == 0)) return std::nullopt;
    TimePoint due = now;
    if (retryAt_) due = std::max(due, *retryAt_);
    const size_t perHour = static_cast<size_t>(std::max(policy_.perHour, 0));
    if (perHour > 0 && sentTimes_.size() >= perHour) {
        due = std::max(due, sentTimes_[sentTimes_.size() - perHour] + LIMIT_WINDOW);
    }
    return due;
}

bool SinkQueue::LimitReached(TimePoint now) {
    while (!sentTimes_.empty() && sentTimes_.front() <= now - LIMIT_WINDOW) sentTimes_.pop_front();
    return policy_.perHour > 0 && sentTimes_.size() >= static_cast<size_t>(policy_.perHour);
}

void SinkQueue::HoldBack(AlertMessage message) {
    ++heldMessages_;
    heldStation_ = message.station;
    for (AlertEvent& event : message.events) heldEvents_.push_back(std::move(event));
    // Only the newest are kept for the summary; the count says how many there were.
    const size_t limit = std::max<size_t>(policy_.maxWaiting, summaryEvents_);
    while (heldEvents_.size() > limit) {
        heldEvents_.erase(heldEvents_.begin() + static_cast<std::ptrdiff_t>(summaryEvents_));
    }
}

}  // namespace corvalin
