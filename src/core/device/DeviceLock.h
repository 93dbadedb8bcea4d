// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace corvalin {

// Keeps other programs' exchanges with the station out while this one runs
// a sequence (a read cycle, a save, a run of chunks): an exclusive flock on
// a path every user of the station can open (the device node; the simulated
// station's card folder). Input reports go to every program that has the
// station open and carry no request id, so only one program may be asking
// at a time. Threads of one program share the hold: they are kept apart by
// the channel already, and a thread never waits here for its own program.
class DeviceLock {
public:
    class Hold {
    public:
        Hold() = default;
        explicit Hold(DeviceLock* lock) : lock_(lock) {}
        Hold(Hold&& other) noexcept : lock_(other.lock_) { other.lock_ = nullptr; }
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        DeviceLock* lock_ = nullptr;
    };

    DeviceLock() = default;
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Waits until no other program holds `path`, then holds it until the
    // last Hold of this program goes. An empty or unopenable path holds
    // nothing (the station is not open, or the node is gone).
    Hold Acquire(const std::string& path);
    // As Acquire, but gives up when another program still holds `path`
    // after `limit`.
    std::optional<Hold> AcquireWithin(const std::string& path, std::chrono::milliseconds limit);

private:
    void Release();

    std::mutex mutex_;
    int fd_ = -1;
    int depth_ = 0;
};

}  // namespace corvalin
