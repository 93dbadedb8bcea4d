// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "common/Status.h"
#include "store/Sqlite.h"
#include "store/StoredRow.h"

namespace corvalin {

// Appends StoredRows to the Records table with prepared statements: one
// row at a time, or many rows in order through a statement that inserts a
// batch at once and falls back to single rows to find the one that fails.
// Both paths store exactly the same rows. It gives each row its TimeKey:
// rows of the same second are kept in the order they were appended.
class RecordInserter {
public:
    static constexpr size_t BATCH_ROWS = 256;

    using RowFailed = std::function<void(size_t index, const std::string& message)>;
    // Asked after a failure: false when the rows that follow must not be stored.
    using MayGoOn = std::function<bool()>;

    struct Outcome {
        size_t stored = 0;
        bool stopped = false;
        std::string stopMessage;
    };

    Status Prepare(sqlite3* db);
    void Finalize();
    bool IsPrepared() const { return single_ != nullptr; }

    Status InsertOne(const StoredRow& row);
    // The rows are bound where they are: they stay unchanged meanwhile.
    Outcome InsertMany(std::span<const StoredRow> rows, const RowFailed& failed,
                       const MayGoOn& mayGoOn);

private:
    // The second of the row appended last and the key it got.
    struct KeyRun {
        int64_t firstKey = -1;
        int64_t key = -1;
    };

    // The key of the next row of the second starting at `firstKey`.
    bool AssignKey(int64_t firstKey, int64_t& key, std::string& error);
    // The last key in use in the second starting at `firstKey`, or none (-1).
    int64_t LastKeyInUse(int64_t firstKey, std::string& error);
    bool InsertSingle(const StoredRow& row, std::string& error);

    SqliteStatement single_;
    SqliteStatement batch_;
    SqliteStatement lastKey_;
    KeyRun run_;
    // Rows were there before: each new second must look for keys in use.
    bool tableHadRows_ = false;
};

}  // namespace corvalin
