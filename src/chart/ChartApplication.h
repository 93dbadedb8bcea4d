// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class QApplication;

namespace corvalin::chart {

// A Qt application for drawing charts without a window. When the process
// has none, one on the offscreen platform (unless QT_QPA_PLATFORM names
// another) lives as long as this object; otherwise the existing one is used.
class ChartApplication {
public:
    ChartApplication();
    ~ChartApplication();
    ChartApplication(const ChartApplication&) = delete;
    ChartApplication& operator=(const ChartApplication&) = delete;

private:
    int argc_ = 1;
    char name_[16] = "corvalin-cli";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> owned_;
};

}  // namespace corvalin::chart
