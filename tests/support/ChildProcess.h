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

// A program the test starts (a receiver, a broker, a bus, the logger), whose
// standard output is kept line by line and its standard error goes to
// `errors`; `environment` adds NAME=VALUE entries to this process's own.
// Stopped (SIGTERM) and reaped at scope end.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, std::vector<std::string> environment = {},
                          const std::string& errors = "/dev/null");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    void Stop();
    void Signal(int signal);
    // The exit status (128 + the signal when killed) once it ends within
    // `limit`; -1 if it did not.
    int Wait(std::chrono::seconds limit = std::chrono::seconds(30));
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
// A socket connected to 127.0.0.1:`port`, or -1 when nothing accepts there.
int ConnectLoopback(int port);
// Whether something accepts connections there, waiting (bounded) for it to start.
bool Listens(int port);

}  // namespace corvalin::test
