#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "device/DeviceRecord.h"
#include "protocol/Protocol.h"

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

// The copies the configuration and SD-card dialogs work from. The read cycle
// and the router keep them up to date while no dialog is open; a dialog binds
// to its own part.
struct SettingsCopies {
    Guarded<Report> settingsCopy;
    std::atomic<int32_t> intervalCopy{0};
    std::atomic<int32_t> notOnMainScreen{0};
};

struct AlarmCopies {
    Guarded<std::array<Report, 4>> alarmCopy;
    std::atomic<int32_t> notOnMainScreen{0};
};

struct CalibrationCopies {
    Guarded<Report> calibrationCopy;
    Guarded<LiveReadings> liveCopy;  // taken when the dialog opens
    std::atomic<int32_t> notOnMainScreen{0};
};

struct HistoryCopies {
    std::atomic<int32_t> notOnMainScreen{0};
};

struct DialogCopies {
    SettingsCopies settings;
    AlarmCopies alarm;
    CalibrationCopies calibration;
    HistoryCopies history;
};

}  // namespace corvalin
