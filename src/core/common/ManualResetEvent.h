// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace corvalin {

// An event that stays signalled until reset, like the hand-off events of the
// station protocol: senders wait on it with a bound, the reader signals it.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool signalled = false) : signalled_(signalled) {}

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was signalled within the time; false on time-out.
    bool WaitFor(std::chrono::milliseconds timeout);
    void Wait();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace corvalin
