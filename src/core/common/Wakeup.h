// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvalin {

// A file descriptor that other threads make readable to wake a thread
// waiting in poll() beside its sockets.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    int fd() const { return fd_; }
    // Any thread.
    void Notify();
    // The waiting thread, after it woke.
    void Drain();

private:
    int fd_ = -1;
};

}  // namespace corvalin
