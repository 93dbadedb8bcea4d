// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordInserter.h"

#include <sqlite3.h>

#include <array>

#include "store/RecordKey.h"

namespace corvalin {

namespace {

constexpr int PARAMETERS_PER_ROW = 6;
constexpr const char* INSERT_HEAD =
    "INSERT INTO Records (TimeKey, Time, Temperature, Humidity, Dewpoint, Heatindex) VALUES ";
constexpr const char* ROW_PARAMETERS = "(?,?,?,?,?,?)";
constexpr const char* LAST_KEY_IN_SECOND =
    "SELECT max(TimeKey) FROM Records WHERE TimeKey BETWEEN ?1 AND ?2";
constexpr const char* ANY_ROW = "SELECT 1 FROM Records LIMIT 1";
constexpr const char* TIME_OUT_OF_RANGE =
    "The time of the reading is not a date of the years 100 to 9999";
constexpr const char* SECOND_FULL = "Too many readings of the same second";

// Runs a bound statement that gives no rows; false with the SQLite message.
bool Run(sqlite3_stmt* statement, std::string& error, int& code) {
    const int rc = sqlite3_step(statement);
    code = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(sqlite3_db_handle(statement));
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(sqlite3_db_handle(statement));
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
}

// Binds a row with its key as parameters first .. first + 5. The time text
// is bound in place.
void Bind(sqlite3_stmt* statement, int first, const StoredRow& row, int64_t key) {
    sqlite3_bind_int64(statement, first, key);
    sqlite3_bind_text(statement, first + 1, row.time, CIVIL_TEXT_LENGTH, SQLITE_STATIC);
    sqlite3_bind_double(statement, first + 2, row.temperature);
    sqlite3_bind_int(statement, first + 3, row.humidity);
    sqlite3_bind_double(statement, first + 4, row.dewpoint);
    sqlite3_bind_double(statement, first + 5, row.heatindex);
}

}  // namespace

Status RecordInserter::Prepare(sqlite3* db) {
    Finalize();
    std::string batch = INSERT_HEAD;
    for (size_t i = 0; i < BATCH_ROWS; ++i) {
        if (i > 0) batch += ',';
        batch += ROW_PARAMETERS;
    }
    Result<SqliteStatement> single =
        PrepareStatement(db, std::string(INSERT_HEAD) + ROW_PARAMETERS, true);
    if (!single) return Status::Error(single.error);
    Result<SqliteStatement> many = PrepareStatement(db, batch, true);
    if (!many) return Status::Error(many.error);
    Result<SqliteStatement> lastKey = PrepareStatement(db, LAST_KEY_IN_SECOND, true);
    if (!lastKey) return Status::Error(lastKey.error);
    Result<SqliteStatement> anyRow = PrepareStatement(db, ANY_ROW);
    if (!anyRow) return Status::Error(anyRow.error);
    single_ = std::move(*single.value);
    batch_ = std::move(*many.value);
    lastKey_ = std::move(*lastKey.value);
    tableHadRows_ = sqlite3_step(anyRow.value->get()) == SQLITE_ROW;
    return Status::Ok();
}

void RecordInserter::Finalize() {
    single_.reset();
    batch_.reset();
    lastKey_.reset();
    run_ = {};
}

int64_t RecordInserter::LastKeyInUse(int64_t firstKey, std::string& error) {
    sqlite3_stmt* query = lastKey_.get();
    sqlite3_bind_int64(query, 1, firstKey);
    sqlite3_bind_int64(query, 2, firstKey | KEY_ORDER_MASK);
    int64_t last = -1;
    const int rc = sqlite3_step(query);
    if (rc == SQLITE_ROW && sqlite3_column_type(query, 0) != SQLITE_NULL) {
        last = sqlite3_column_int64(query, 0);
    } else if (rc != SQLITE_ROW) {
        error = sqlite3_errmsg(sqlite3_db_handle(query));
        last = -2;
    }
    sqlite3_reset(query);
    return last;
}

bool RecordInserter::AssignKey(int64_t firstKey, int64_t& key, std::string& error) {
    int64_t next = firstKey;
    if (firstKey == run_.firstKey) {
        next = run_.key + 1;
    } else if (tableHadRows_) {
        const int64_t last = LastKeyInUse(firstKey, error);
        if (last == -2) return false;
        if (last >= 0) next = last + 1;
    }
    if (next > (firstKey | KEY_ORDER_MASK)) {
        error = SECOND_FULL;
        return false;
    }
    key = next;
    run_ = {firstKey, next};
    return true;
}

bool RecordInserter::InsertSingle(const StoredRow& row, std::string& error) {
    int64_t key = 0;
    if (!AssignKey(row.firstKey, key, error)) return false;
    Bind(single_.get(), 1, row, key);
    int code = SQLITE_OK;
    if (Run(single_.get(), error, code)) return true;
    if (code != SQLITE_CONSTRAINT_PRIMARYKEY) return false;
    // The second came before, earlier in the file: go on after its last row.
    const int64_t last = LastKeyInUse(row.firstKey, error);
    if (last < 0) return false;
    run_ = {row.firstKey, last};
    if (!AssignKey(row.firstKey, key, error)) return false;
    Bind(single_.get(), 1, row, key);
    return Run(single_.get(), error, code);
}

Status RecordInserter::InsertOne(const StoredRow& row) {
    if (!row.Storable()) return Status::Error(TIME_OUT_OF_RANGE);
    std::string error;
    if (!InsertSingle(row, error)) return Status::Error(error);
    return Status::Ok();
}

RecordInserter::Outcome RecordInserter::InsertMany(std::span<const StoredRow> rows,
                                                   const RowFailed& failed,
                                                   const MayGoOn& mayGoOn) {
    Outcome outcome;
    // The batch: where its rows are in `rows`, and their keys.
    std::array<size_t, BATCH_ROWS> indices;
    std::array<int64_t, BATCH_ROWS> keys;
    size_t size = 0;
    std::string error;

    auto fail = [&](size_t index, const std::string& message) {
        failed(index, message);
        if (mayGoOn()) return true;
        outcome.stopped = true;
        outcome.stopMessage = message;
        return false;
    };
    auto insertSingly = [&]() {
        for (size_t i = 0; i < size; ++i) {
            if (InsertSingle(rows[indices[i]], error)) {
                ++outcome.stored;
            } else if (!fail(indices[i], error)) {
                return false;
            }
        }
        return true;
    };
    // A full batch in one statement; when it fails, or when its keys cannot
    // all be given, the same rows again one by one from the same key state.
    auto flush = [&]() {
        bool goOn = true;
        const KeyRun before = run_;
        bool keyed = size == BATCH_ROWS;
        for (size_t i = 0; keyed && i < size; ++i) {
            const StoredRow& row = rows[indices[i]];
            keyed = AssignKey(row.firstKey, keys[i], error);
            if (keyed)
                Bind(batch_.get(), static_cast<int>(i) * PARAMETERS_PER_ROW + 1, row, keys[i]);
        }
        int code = SQLITE_OK;
        if (keyed && Run(batch_.get(), error, code)) {
            outcome.stored += size;
        } else if (!keyed || mayGoOn()) {
            run_ = before;
            goOn = insertSingly();
        } else {
            outcome.stopped = true;
            outcome.stopMessage = error;
            goOn = false;
        }
        size = 0;
        return goOn;
    };

    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].Storable()) {
            if (!fail(i, TIME_OUT_OF_RANGE)) return outcome;
            continue;
        }
        indices[size++] = i;
        if (size == BATCH_ROWS && !flush()) return outcome;
    }
    if (size > 0) flush();
    return outcome;
}

}  // namespace corvalin
