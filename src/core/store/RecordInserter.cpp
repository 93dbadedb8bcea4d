// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordInserter.h"

#include <sqlite3.h>

#include <cmath>
#include <vector>

#include "store/OleDate.h"
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

// The float widened to the shortest decimal that reads back as the same
// float, so that 23.4 is stored as 23.4 and not 23.399999618530273.
double StoredReal(float value) {
    const double wide = value;
    if (!std::isfinite(wide)) return wide;
    double scale = 1.0;
    for (int digits = 0; digits <= 4 && std::fabs(wide * scale) < 1e15; ++digits, scale *= 10.0) {
        const double decimal = std::nearbyint(wide * scale) / scale;
        if (static_cast<float>(decimal) == value) return decimal;
    }
    return wide;
}

// Runs a bound statement that gives no rows; false with the SQLite message.
bool Run(sqlite3_stmt* statement, std::string& error, int& code) {
    const int rc = sqlite3_step(statement);
    code = rc == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(sqlite3_db_handle(statement));
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(sqlite3_db_handle(statement));
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
}

}  // namespace

// One record as it is bound: the time in its stored text form and its key.
struct RecordInserter::BoundRow {
    int64_t firstKey = 0;
    int64_t key = 0;
    char time[ISO_TEXT_LENGTH];
    double temperature = 0;
    int humidity = 0;
    double dewpoint = 0;
    double heatindex = 0;

    bool From(const ReadingRecord& record) {
        const auto civil = CivilFromOleDate(record.time);
        if (!civil) return false;
        firstKey = FirstKeyOf(*civil);
        WriteIsoText(*civil, time);
        temperature = StoredReal(record.temperature);
        humidity = record.humidity;
        dewpoint = StoredReal(record.dewpoint);
        heatindex = StoredReal(record.heatindex);
        return true;
    }

    void Bind(sqlite3_stmt* statement, int first) const {
        sqlite3_bind_int64(statement, first, key);
        sqlite3_bind_text(statement, first + 1, time, ISO_TEXT_LENGTH, SQLITE_STATIC);
        sqlite3_bind_double(statement, first + 2, temperature);
        sqlite3_bind_int(statement, first + 3, humidity);
        sqlite3_bind_double(statement, first + 4, dewpoint);
        sqlite3_bind_double(statement, first + 5, heatindex);
    }
};

bool RecordInserter::Prepare(sqlite3* db, std::string& error) {
    Finalize();
    std::string batch = INSERT_HEAD;
    for (size_t i = 0; i < BATCH_ROWS; ++i) {
        if (i > 0) batch += ',';
        batch += ROW_PARAMETERS;
    }
    single_ = PrepareStatement(db, std::string(INSERT_HEAD) + ROW_PARAMETERS, error, true);
    if (single_) batch_ = PrepareStatement(db, batch, error, true);
    if (batch_) lastKey_ = PrepareStatement(db, LAST_KEY_IN_SECOND, error, true);
    SqliteStatement anyRow = lastKey_ ? PrepareStatement(db, ANY_ROW, error) : nullptr;
    if (!anyRow) {
        Finalize();
        return false;
    }
    tableHadRows_ = sqlite3_step(anyRow.get()) == SQLITE_ROW;
    return true;
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

bool RecordInserter::AssignKey(BoundRow& row, std::string& error) {
    int64_t key = row.firstKey;
    if (row.firstKey == run_.firstKey) {
        key = run_.key + 1;
    } else if (tableHadRows_) {
        const int64_t last = LastKeyInUse(row.firstKey, error);
        if (last == -2) return false;
        if (last >= 0) key = last + 1;
    }
    if (key > (row.firstKey | KEY_ORDER_MASK)) {
        error = SECOND_FULL;
        return false;
    }
    row.key = key;
    run_ = {row.firstKey, key};
    return true;
}

bool RecordInserter::InsertSingle(BoundRow& row, std::string& error) {
    if (!AssignKey(row, error)) return false;
    row.Bind(single_.get(), 1);
    int code = SQLITE_OK;
    if (Run(single_.get(), error, code)) return true;
    if (code != SQLITE_CONSTRAINT_PRIMARYKEY) return false;
    // The second came before, earlier in the file: go on after its last row.
    const int64_t last = LastKeyInUse(row.firstKey, error);
    if (last < 0) return false;
    run_ = {row.firstKey, last};
    if (!AssignKey(row, error)) return false;
    row.Bind(single_.get(), 1);
    return Run(single_.get(), error, code);
}

bool RecordInserter::InsertOne(const ReadingRecord& record, std::string& error) {
    BoundRow row;
    if (!row.From(record)) {
        error = TIME_OUT_OF_RANGE;
        return false;
    }
    return InsertSingle(row, error);
}

RecordInserter::Outcome RecordInserter::InsertMany(std::span<const ReadingRecord> records,
                                                   const RowFailed& failed,
                                                   const MayGoOn& mayGoOn) {
    Outcome outcome;
    std::vector<BoundRow> rows;
    std::vector<size_t> indices;
    rows.reserve(BATCH_ROWS);
    indices.reserve(BATCH_ROWS);
    std::string error;

    auto fail = [&](size_t index, const std::string& message) {
        failed(index, message);
        if (mayGoOn()) return true;
        outcome.stopped = true;
        outcome.stopMessage = message;
        return false;
    };
    auto insertSingly = [&]() {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (InsertSingle(rows[i], error)) {
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
        bool keyed = rows.size() == BATCH_ROWS;
        for (size_t i = 0; keyed && i < rows.size(); ++i) {
            keyed = AssignKey(rows[i], error);
            if (keyed) rows[i].Bind(batch_.get(), static_cast<int>(i) * PARAMETERS_PER_ROW + 1);
        }
        int code = SQLITE_OK;
        if (keyed && Run(batch_.get(), error, code)) {
            outcome.stored += rows.size();
        } else if (!keyed || mayGoOn()) {
            run_ = before;
            goOn = insertSingly();
        } else {
            outcome.stopped = true;
            outcome.stopMessage = error;
            goOn = false;
        }
        rows.clear();
        indices.clear();
        return goOn;
    };

    for (size_t i = 0; i < records.size(); ++i) {
        BoundRow row;
        if (!row.From(records[i])) {
            if (!fail(i, TIME_OUT_OF_RANGE)) return outcome;
            continue;
        }
        rows.push_back(row);
        indices.push_back(i);
        if (rows.size() == BATCH_ROWS && !flush()) return outcome;
    }
    if (!rows.empty()) flush();
    return outcome;
}

}  // namespace corvalin
