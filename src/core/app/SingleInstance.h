// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvalin {

// Marks the running copy of the program with a lock on kv7500.lock, so that
// a second copy can end at once. The lock goes with the process.
class SingleInstance {
public:
    enum class State { First, AnotherIsRunning, Unknown };

    // `folder` empty: $XDG_RUNTIME_DIR, else the temp folder.
    explicit SingleInstance(const std::string& folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Unknown when the lock file cannot be made; the program goes on then.
    State state() const { return state_; }
    const std::string& lockPath() const { return path_; }

private:
    int fd_ = -1;
    State state_ = State::Unknown;
    std::string path_;
};

}  // namespace corvalin
