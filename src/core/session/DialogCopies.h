// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/Readings.h"
#include "device/Report.h"
#include "protocol/ReadCycle.h"

namespace corvalin {

// A value shared between threads, always read and written whole.
template <class T>
class Guarded {
public:
    T Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void Set(const T& value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

// The copies of the station's answers the configuration dialogs fill
// themselves from: the read cycle keeps them up to date while no dialog is
// open, so a dialog shows what the last poll read. Only fresh answers are
// copied; `lastRead` says which blocks the last read cycle got.
struct DialogCopies {
    Guarded<ReadCycleAnswers> lastRead;
    Guarded<Report> settings;
    std::atomic<int32_t> intervalMinutes{0};
    Guarded<std::array<Report, 4>> alarms;
    Guarded<Report> calibration;
    Guarded<LiveReadings> liveForCalibration;  // taken when the dialog opens
};

}  // namespace corvalin
