// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/DeviceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace corvalin {

namespace {

int OpenForLocking(const std::string& path) {
    if (path.empty()) return -1;
    // Reading is enough to lock; a folder opens the same way.
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

void Lock(int fd, int operation) {
    while (::flock(fd, operation) != 0 && errno == EINTR) {
    }
}

}  // namespace

DeviceLock::Hold& DeviceLock::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        if (lock_) lock_->Release();
        lock_ = other.lock_;
        other.lock_ = nullptr;
    }
    return *this;
}

DeviceLock::Hold::~Hold() {
    if (lock_) lock_->Release();
}

DeviceLock::~DeviceLock() {
    if (fd_ >= 0) ::close(fd_);
}

DeviceLock::Hold DeviceLock::Acquire(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (depth_ == 0) {
        // Opened anew each time: a replugged station may have a new node.
        if (fd_ >= 0) ::close(fd_);
        fd_ = OpenForLocking(path);
        if (fd_ >= 0) Lock(fd_, LOCK_EX);
    }
    ++depth_;
    return Hold(this);
}

std::optional<DeviceLock::Hold> DeviceLock::AcquireWithin(const std::string& path,
                                                          std::chrono::milliseconds limit) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (depth_ == 0) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = OpenForLocking(path);
        // flock has no timed wait: try again now and then until the limit.
        const auto until = std::chrono::steady_clock::now() + limit;
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= until) {
                ::close(fd_);
                fd_ = -1;
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ++depth_;
    return Hold(this);
}

void DeviceLock::Release() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (--depth_ == 0 && fd_ >= 0) Lock(fd_, LOCK_UN);
}

}  // namespace corvalin
