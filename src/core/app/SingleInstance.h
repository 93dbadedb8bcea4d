// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvalin {

// Marks the running copy of the program with a lock on kv7500.lock, so that
// a second copy can end at once. The lock goes with the process.
class SingleInstance {
public:
    enum class State { First, AnotherIsRunning, Unknown };

    // `folder` empty: LockFolder().
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

// Where the lock is kept: $XDG_RUNTIME_DIR when it names a folder of this
// user's (made when it is not there but its parent is); else, when it is
// unset or unusable, the private folder corvalin-UID in the temp folder
// (made rwx------), or, when someone else holds that name, corvalin in the
// user's cache folder. Every copy a user starts finds the same folder;
// empty when there is none.
std::string LockFolder();

}  // namespace corvalin
