// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// A PostgreSQL server that holds the shared archive, as the user named it.
struct ArchiveServer {
    std::string address;  // the libpq URI as given, e.g. postgresql://corvalin@db/weather
    std::string user;     // empty: libpq's default (the login name)
    std::string host;
    std::string port = "5432";
    std::string database;
    // From a password file; empty: libpq finds one (PGPASSFILE, ~/.pgpass).
    std::string password;

    // "postgresql://USER@HOST:PORT/DATABASE": the server in messages, and
    // the name of the archive's position for it. No password, no options.
    std::string Name() const;
};

// "postgresql://USER@HOST[:PORT]/DATABASE[?sslmode=...]" (also postgres://).
// A password in the address is refused: it would show in the process list.
Result<ArchiveServer> ParseArchiveServer(const std::string& text);

}  // namespace corvalin
