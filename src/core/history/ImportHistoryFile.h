// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/LogTime.h"
#include "history/HistoryTable.h"
#include "history/ImportHeader.h"

namespace corvalin {

struct ImportOptions {
    // How dates such as 03-05-2024 are read: the station's date-format
    // setting when it is known.
    DateOrder dateOrder = DateOrder::MonthFirst;
    // Asked between steps: true rolls the import back (Ctrl-C).
    std::function<bool()> stop;
    // A file of which no line is a reading (a text that is no log) is
    // refused before the database is touched. Off, it empties the database
    // as the design's import of an empty local copy does.
    bool requireReading = false;
};

enum class ImportPhase { Reading, Storing };
// Lines done of the lines in the file, per phase; called on the importing thread.
using ImportProgress = std::function<void(ImportPhase phase, uint64_t done, uint64_t total)>;

// What an import did: the table to show, and what to tell the user.
struct ImportResult {
    bool fileRead = false;   // false: the local copy could not be read; nothing changed
    bool stored = false;     // the database now holds this file's readings
    bool stopped = false;    // ended on request: rolled back
    bool noReading = false;  // refused: no line is a reading (requireReading)
    bool indoorFile = false;
    std::string unitText;  // UTF-8, e.g. "(°C)"; empty for an empty file
    HistoryTable table;
    uint64_t rowsStored = 0;
    uint64_t rowsSkipped = 0;         // lines whose reading could not be stored
    std::vector<std::string> errors;  // to show, in order ("Open Error2", SQLite's messages)

    std::vector<HistoryColumn> Columns() const {
        return ImportedHistoryColumns(indoorFile, unitText);
    }
};

// Reads the log file at `localPath` (its `fileName` decides indoor or
// channel) into a data table, and replaces the record database's readings
// with its lines in one transaction: after a failure half-way the database
// keeps the previous import. A line whose reading cannot be stored is
// reported and left out. Runs on a worker thread; blocks until done. The
// staging files of imports that were killed are removed first.
ImportResult ImportHistoryFile(const std::string& localPath, const std::string& fileName,
                               const std::string& databasePath, const ImportProgress& progress = {},
                               const ImportOptions& options = {});

}  // namespace corvalin
