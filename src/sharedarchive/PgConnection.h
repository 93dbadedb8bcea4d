// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Status.h"
#include "sharedarchive/ArchiveServer.h"

struct pg_conn;

namespace corvalin {

// One connection to the archive server through libpq that never waits
// longer than its limits: every wait is on the server's socket, beside a
// descriptor that turns readable when the owner wants to stop (a wakeup),
// so a server that went quiet holds nobody up.
class PgConnection {
public:
    using Value = std::optional<std::string>;  // text; nothing for NULL
    using Row = std::vector<Value>;

    struct Limits {
        std::chrono::seconds connect{10};  // for the whole connection set-up
        std::chrono::seconds answer{60};   // for each wait on the server
        int stopFd = -1;                   // readable: give up at once
        // Asked when a signal broke a wait: true gives up (Ctrl-C).
        std::function<bool()> interrupted;
    };

    // Connects and logs in. The error says why, in the server's words where
    // it gave some.
    static Result<std::unique_ptr<PgConnection>> Connect(const ArchiveServer& server,
                                                         Limits limits);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement with text parameters; its rows, as text.
    Result<std::vector<Row>> Query(const std::string& sql,
                                   const std::vector<Value>& parameters = {});
    // As Query, handing the rows over one by one as they come; `visit`
    // returning false stops the reading (the connection is of no further
    // use then).
    Status Stream(const std::string& sql, const std::vector<Value>& parameters,
                  const std::function<bool(const Row&)>& visit);

    // For a wait beside other work while idle: the socket, and whether what
    // came on it says the server has gone.
    int Socket() const;
    bool Lost();

    // Said when the owner's stop descriptor turned readable during a wait.
    static constexpr const char* STOPPED = "stopped";

private:
    explicit PgConnection(pg_conn* connection, Limits limits)
        : connection_(connection), limits_(std::move(limits)) {}
    Status Send(const std::string& sql, const std::vector<Value>& parameters);
    Status Receive(const std::function<bool(const Row&)>& visit);
    Status WaitFor(short events, std::chrono::steady_clock::time_point until);

    pg_conn* connection_;
    Limits limits_;
    bool abandoned_ = false;
};

}  // namespace corvalin
