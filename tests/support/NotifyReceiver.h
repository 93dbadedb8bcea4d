// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace corvalin::test {

// A webhook and ntfy receiver (Python's http.server) on 127.0.0.1, started
// on `port` (0: a free one) and stopped at scope end. Each request is kept
// with the mode it met: "ok" (answered 200), "fail" (503) or "hang".
class NotifyReceiver {
public:
    explicit NotifyReceiver(int port = 0);
    bool Started() const { return port_ > 0; }
    int port() const { return port_; }
    std::string Url(const std::string& path = "/hook") const;
    void SetMode(const std::string& mode);
    // Requests so far: {"path", "mode", "headers", "body"}.
    std::vector<nlohmann::json> Requests() const;
    // Waits (bounded) until `count` requests came.
    bool WaitFor(size_t count, std::chrono::seconds limit = std::chrono::seconds(30)) const;

private:
    std::unique_ptr<ChildProcess> process_;
    int port_ = 0;
};

// Debian's aiosmtpd on a free loopback port: every mail it receives, whole.
class MailServer {
public:
    MailServer();
    bool Started() const { return started_; }
    int port() const { return port_; }
    std::vector<std::string> Mails() const;
    bool WaitFor(size_t count, std::chrono::seconds limit = std::chrono::seconds(30)) const;

private:
    int port_;
    std::unique_ptr<ChildProcess> process_;
    bool started_ = false;
};

}  // namespace corvalin::test
