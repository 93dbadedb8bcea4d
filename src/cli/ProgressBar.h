// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>

namespace corvalin::cli {

// A one-line progress bar with bytes and rate, redrawn in place on a terminal.
class ProgressBar {
public:
    explicit ProgressBar(std::ostream& out);
    void Update(uint64_t done, uint64_t total);
    // Ends the bar's line if one was drawn.
    void Finish();

private:
    std::ostream& out_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

// "12.3 kB/s" for bytes over seconds.
std::string RateText(uint64_t bytes, double seconds);

}  // namespace corvalin::cli
