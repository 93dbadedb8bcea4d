// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressBar.h"

#include <cstdio>
#include <ostream>

namespace corvalin::cli {

ProgressBar::ProgressBar(std::ostream& out)
    : out_(out), started_(std::chrono::steady_clock::now()) {}

void ProgressBar::Update(uint64_t done, uint64_t total) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    // Redrawing for every 62-byte report would cost more than the transfer.
    if (drawn_ && done < total && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
    lastDrawn_ = now;
    constexpr int WIDTH = 30;
    const int filled = total == 0 ? WIDTH : static_cast<int>(done * WIDTH / total);
    const double seconds = std::chrono::duration<double>(now - started_).count();
    out_ << "\r[" << std::string(filled, '#') << std::string(WIDTH - filled, ' ') << "] " << done
         << " / " << total << " bytes  " << RateText(done, seconds) << "   " << std::flush;
    drawn_ = true;
}

void ProgressBar::Finish() {
    std::lock_guard lock(mutex_);
    if (drawn_) out_ << "\n";
    drawn_ = false;
}

std::string RateText(uint64_t bytes, double seconds) {
    char text[32];
    const double rate = seconds > 0 ? bytes / seconds / 1000.0 : 0.0;
    std::snprintf(text, sizeof text, "%.1f kB/s", rate);
    return text;
}

}  // namespace corvalin::cli
