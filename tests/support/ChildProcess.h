// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvalin::test {

// A program the test starts (a receiver, a mail server, a bus), whose
// standard output is kept line by line; stopped and reaped at scope end.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    void Stop();
    std::vector<std::string> Lines() const;
    // Waits (bounded) until the lines so far satisfy `ready`.
    bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& ready,
                 std::chrono::seconds limit = std::chrono::seconds(30)) const;

private:
    void Read(int fd);

    pid_t pid_ = -1;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::thread reader_;
};

// A free TCP port on 127.0.0.1 (free when asked).
int FreeLoopbackPort();
// Whether something accepts connections there.
bool AcceptsConnections(int port);

}  // namespace corvalin::test
