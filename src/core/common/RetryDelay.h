// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>

namespace corvalin {

// How long to wait before trying a server again: the first delay, then
// twice as long each time up to the longest, and the first again once a
// try worked.
class RetryDelay {
public:
    using Duration = std::chrono::milliseconds;
    RetryDelay(Duration first, Duration longest) : first_(first), longest_(longest), next_(first) {}

    // The wait before the next try, after a failed one.
    Duration Failed() {
        const Duration wait = next_;
        next_ = std::min(next_ * 2, longest_);
        return wait;
    }
    void Succeeded() { next_ = first_; }

private:
    Duration first_;
    Duration longest_;
    Duration next_;
};

}  // namespace corvalin
