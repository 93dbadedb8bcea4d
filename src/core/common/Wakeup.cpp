// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace corvalin {

Wakeup::Wakeup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Wakeup::~Wakeup() {
    if (fd_ >= 0) close(fd_);
}

void Wakeup::Notify() {
    const uint64_t one = 1;
    // A full counter is already readable: nothing is lost when this fails.
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void Wakeup::Drain() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd_, &count, sizeof count);
}

}  // namespace corvalin
