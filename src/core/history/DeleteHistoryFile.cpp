// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/DeleteHistoryFile.h"

#include "store/RecordDatabase.h"

namespace corvalin {

Status DeleteHistoryFile(SdCardClient& card, const std::string& name,
                         const std::string& databasePath) {
    Status deleted = card.DeleteFile(name);
    if (!deleted) return deleted;
    RecordDatabase database;
    if (database.Connect(databasePath) != 0 || database.ClearTables() != 0) {
        return Status::Error(database.LastError());
    }
    return Status::Ok();
}

}  // namespace corvalin
