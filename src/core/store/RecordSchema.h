#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// The record database's file name in the data folder.
inline constexpr const char* RECORD_DATABASE_FILE = "7500.db";

// Creates the record database with its tables at `path` when no file is
// there. An existing file is never opened or changed, so the records of
// earlier runs survive.
Status EnsureRecordDatabase(const std::string& path);

}  // namespace corvalin
