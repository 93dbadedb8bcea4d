// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind: the unattended logger. It logs to stderr (the journal under
// systemd) and never prints readings.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "Daemon.h"

using namespace corvalin;
using namespace corvalin::daemon;

namespace {

std::mutex logMutex;

// Under the journal each line carries its priority, as sd-daemon(3) reads it.
void Log(LogLevel level, const std::string& text) {
    static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    std::lock_guard<std::mutex> guard(logMutex);
    if (journal) {
        std::cerr << (level == LogLevel::Error     ? "<3>"
                      : level == LogLevel::Warning ? "<4>"
                                                   : "<6>");
    } else if (level != LogLevel::Info) {
        std::cerr << (level == LogLevel::Error ? "error: " : "warning: ");
    }
    std::cerr << text << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    // The signals are taken by one thread that waits for them, so that
    // stopping and reloading run as ordinary code.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Daemon daemon(std::vector<std::string>(argv + 1, argv + argc), Log);
    if (const std::optional<int> failed = daemon.Start(std::cout, std::cerr)) return *failed;

    std::thread signalThread([&] {
        for (;;) {
            int received = 0;
            if (sigwait(&signals, &received) != 0) continue;
            if (received == SIGHUP) {
                daemon.Reload();
                continue;
            }
            Log(LogLevel::Info, "Stopping");
            daemon.Stop();
            return;
        }
    });
    daemon.Run();
    // Wake the signal thread if it is still waiting (the loop ended otherwise).
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    return 0;
}
