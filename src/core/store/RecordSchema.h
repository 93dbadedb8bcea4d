// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/DataFiles.h"
#include "common/Status.h"
#include "store/Sqlite.h"

namespace corvalin {

// The record database in the data folder `dataDir`.
std::string RecordDatabasePath(const std::string& dataDir);

// Creates the record database with its tables at `path` when no file is
// there. An existing file is never opened or changed, so the records of
// earlier runs survive.
Status EnsureRecordDatabase(const std::string& path);

// Brings a record database of the earlier layout (without TimeKey) to the
// current one in one transaction, keeping its rows; does nothing to a
// current one. Fails also when the file holds no Records table at all.
Status UpgradeRecordLayout(const SqliteConnection& db);

}  // namespace corvalin
