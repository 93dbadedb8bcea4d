// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/SinkWorker.h"

#include "notify/AlertSender.h"

namespace corvalin {

namespace {
// With nothing to send the thread still wakes now and then; an Add wakes it at once.
constexpr std::chrono::hours IDLE_WAIT{1};
}  // namespace

SinkWorker::SinkWorker(NotifyTarget target, SinkPolicy policy, LoggerClock& clock, LogSink log)
    : target_(std::move(target)), clock_(clock), log_(std::move(log)), queue_(policy) {}

SinkWorker::~SinkWorker() { Stop(); }

void SinkWorker::Start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
}

void SinkWorker::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wake_.Set();
    thread_.join();
    const size_t left = Waiting();
    if (left > 0) {
        Say(LogLevel::Warning, "Alerts to " + target_.address + ": " + std::to_string(left) +
                                   " messages were not sent before the stop");
    }
}

void SinkWorker::Add(AlertMessage message) {
    size_t dropped = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        dropped = queue_.Add(std::move(message));
        if (dropped > 0 && dropped_ == 0) {
            Say(LogLevel::Error, "Alerts to " + target_.address +
                                     ": too many messages wait; the oldest are dropped");
        }
        dropped_ += dropped;
    }
    wake_.Set();
}

size_t SinkWorker::Waiting() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return queue_.Waiting();
}

void SinkWorker::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

void SinkWorker::Run() {
    while (!stopping_) {
        wake_.Reset();
        std::optional<AlertMessage> message;
        std::optional<LoggerClock::TimePoint> due;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            message = queue_.Take(clock_.Now());
            if (queue_.HeldBack() > 0 && !holding_) {
                Say(LogLevel::Warning, "Alerts to " + target_.address +
                                           ": the hourly limit is reached; the rest go out as "
                                           "one summary when it lifts");
            }
            holding_ = queue_.HeldBack() > 0;
            if (!message) due = queue_.NextDue(clock_.Now());
        }
        if (message) {
            SendOne(*message);
            continue;
        }
        clock_.WaitUntil(due.value_or(clock_.Now() + IDLE_WAIT), wake_);
    }
}

void SinkWorker::SendOne(const AlertMessage& message) {
    const Status sent = SendAlert(target_, message, &stopping_);
    std::lock_guard<std::mutex> guard(mutex_);
    queue_.Done(sent.ok, clock_.Now());
    if (stopping_ && !sent) return;  // cut short by the stop, which counts it as waiting
    if (!sent && !failing_) {
        Say(LogLevel::Warning, "Alerts to " + target_.address + " could not be sent (" +
                                   sent.message + "); they wait and are tried again");
    }
    if (sent && failing_) Say(LogLevel::Info, "Alerts to " + target_.address + " are sent again");
    if (sent && dropped_ > 0) {
        Say(LogLevel::Error, "Alerts to " + target_.address + ": " + std::to_string(dropped_) +
                                 " messages were dropped while they could not be sent");
        dropped_ = 0;
    }
    failing_ = !sent;
}

}  // namespace corvalin
