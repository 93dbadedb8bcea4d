// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace corvalin {

// The program's own files in the data folder. No card file's local copy may
// take one of these names (in any letter case).
inline constexpr const char* RECORD_DATABASE_FILE = "7500.db";
inline constexpr const char* MAIN_INI_FILE = "Main.ini";
inline constexpr const char* ARCHIVE_DATABASE_FILE = "archive.db";
// Partial downloads and transfer locks, out of the way of the copies.
inline constexpr const char* PRIVATE_FOLDER = ".corvalin";
// The data folder of the system's logger service (its StateDirectory).
inline constexpr const char* SYSTEM_LOGGER_FOLDER = "/var/lib/corvalin";

// Every name above, and the journal files SQLite keeps beside a database.
inline constexpr std::array<const char*, 11> OWN_FILE_NAMES = {
    "7500.db",    "7500.db-wal",    "7500.db-shm",    "7500.db-journal",    "Main.ini",
    "archive.db", "archive.db-wal", "archive.db-shm", "archive.db-journal", ".corvalin",
    "kv7500.lock"};

}  // namespace corvalin
