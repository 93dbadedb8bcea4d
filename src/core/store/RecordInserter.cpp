#include "store/RecordInserter.h"

#include <sqlite3.h>

#include <cmath>
#include <vector>

#include "store/OleDate.h"

namespace corvalin {

namespace {

constexpr int PARAMETERS_PER_ROW = 5;
constexpr const char* INSERT_HEAD =
    "INSERT INTO Records (Time, Temperature, Humidity, Dewpoint, Heatindex) VALUES ";
constexpr const char* ROW_PARAMETERS = "(?,?,?,?,?)";
constexpr const char* TIME_OUT_OF_RANGE =
    "The time of the reading is not a date of the years 100 to 9999";

// One record as it is bound: the time in its stored text form.
struct BoundRow {
    char time[ISO_TEXT_LENGTH];
    double temperature;
    int humidity;
    double dewpoint;
    double heatindex;
};

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

bool MakeBoundRow(const ReadingRecord& record, BoundRow& row) {
    const auto time = CivilFromOleDate(record.time);
    if (!time) return false;
    WriteIsoText(*time, row.time);
    row.temperature = StoredReal(record.temperature);
    row.humidity = record.humidity;
    row.dewpoint = StoredReal(record.dewpoint);
    row.heatindex = StoredReal(record.heatindex);
    return true;
}

void Bind(sqlite3_stmt* statement, int first, const BoundRow& row) {
    sqlite3_bind_text(statement, first, row.time, ISO_TEXT_LENGTH, SQLITE_STATIC);
    sqlite3_bind_double(statement, first + 1, row.temperature);
    sqlite3_bind_int(statement, first + 2, row.humidity);
    sqlite3_bind_double(statement, first + 3, row.dewpoint);
    sqlite3_bind_double(statement, first + 4, row.heatindex);
}

// Runs a bound insert; false with the SQLite message.
bool Run(sqlite3_stmt* statement, std::string& error) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(sqlite3_db_handle(statement));
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
}

}  // namespace

bool RecordInserter::Prepare(sqlite3* db, std::string& error) {
    Finalize();
    std::string batch = INSERT_HEAD;
    for (size_t i = 0; i < BATCH_ROWS; ++i) {
        if (i > 0) batch += ',';
        batch += ROW_PARAMETERS;
    }
    single_ = PrepareStatement(db, std::string(INSERT_HEAD) + ROW_PARAMETERS, error, true);
    if (single_) batch_ = PrepareStatement(db, batch, error, true);
    if (!batch_) Finalize();
    return IsPrepared();
}

void RecordInserter::Finalize() {
    single_.reset();
    batch_.reset();
}

bool RecordInserter::InsertOne(const ReadingRecord& record, std::string& error) {
    BoundRow row;
    if (!MakeBoundRow(record, row)) {
        error = TIME_OUT_OF_RANGE;
        return false;
    }
    Bind(single_.get(), 1, row);
    return Run(single_.get(), error);
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
    // Rows one by one: a partial batch, or a batch that failed as a whole.
    auto insertSingly = [&]() {
        for (size_t i = 0; i < rows.size(); ++i) {
            Bind(single_.get(), 1, rows[i]);
            if (Run(single_.get(), error)) {
                ++outcome.stored;
            } else if (!fail(indices[i], error)) {
                return false;
            }
        }
        return true;
    };
    auto flush = [&]() {
        bool goOn = true;
        if (rows.size() == BATCH_ROWS) {
            for (size_t i = 0; i < rows.size(); ++i) {
                Bind(batch_.get(), static_cast<int>(i) * PARAMETERS_PER_ROW + 1, rows[i]);
            }
            if (Run(batch_.get(), error)) {
                outcome.stored += rows.size();
            } else if (mayGoOn()) {
                goOn = insertSingly();
            } else {
                outcome.stopped = true;
                outcome.stopMessage = error;
                goOn = false;
            }
        } else {
            goOn = insertSingly();
        }
        rows.clear();
        indices.clear();
        return goOn;
    };

    for (size_t i = 0; i < records.size(); ++i) {
        BoundRow row;
        if (!MakeBoundRow(records[i], row)) {
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
