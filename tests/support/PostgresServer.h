// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace corvalin::test {

// The Debian PostgreSQL server, made afresh in a temporary folder and served
// on a free loopback port. initdb and pg_ctl refuse root, so under root the
// folder is handed to the system user postgres, who runs them. Logins over
// TCP need a password; the superuser postgres comes in over the folder's
// socket without one, to set up and to look.
class PostgresServer {
public:
    // `durable` false: no fsync, for tests; true: as a real server keeps
    // its files (benchmarks).
    explicit PostgresServer(bool durable = false);
    ~PostgresServer();

    // Why the server cannot be made (binaries missing, initdb failed); empty when it can.
    const std::string& problem() const { return problem_; }
    // Waits until it takes connections (pg_ctl -w). False when it did not start.
    bool Start();
    void Stop();

    // A login role with this password, owning a database of this name.
    bool AddUser(const std::string& user, const std::string& password, const std::string& database);
    // postgresql://USER@127.0.0.1:PORT/DATABASE
    std::string Address(const std::string& user, const std::string& database) const;
    // A file holding the password, for --archive-server-password-file.
    std::string PasswordFile(const std::string& password) const;

    // A statement run by the superuser in `database`: the first value of its
    // first row ("" for none or NULL), or nothing when it failed.
    std::optional<std::string> Query(const std::string& database, const std::string& sql);
    // The same, "" when it failed.
    std::string Value(const std::string& database, const std::string& sql) {
        return Query(database, sql).value_or("");
    }
    // What the server wrote to its log so far.
    std::string Log() const;

private:
    bool Run(std::vector<std::string> command);

    TempDir dir_;
    std::string home_;  // the server's own folder: data, socket, log
    std::string bin_;
    int port_ = 0;
    bool durable_ = false;
    bool running_ = false;
    std::string problem_;
};

}  // namespace corvalin::test
