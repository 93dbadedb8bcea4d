// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveSummaries.h"

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>

namespace corvalin {

namespace {

// PRAGMA user_version from which the summaries are there.
constexpr int SUMMARY_VERSION = 1;

const char* const SUMMARY_SCHEMA = R"SQL(
-- Per channel and UTC hour: how many temperatures and humidities, their sum,
-- and the lowest and highest with the first time of each; NULL without any.
CREATE TABLE IF NOT EXISTS hour_summaries(
  station INTEGER NOT NULL REFERENCES stations(id),
  channel INTEGER NOT NULL,
  hour INTEGER NOT NULL,
  temperature_count INTEGER NOT NULL,
  temperature_sum REAL,
  temperature_lowest REAL,
  temperature_lowest_time INTEGER,
  temperature_highest REAL,
  temperature_highest_time INTEGER,
  humidity_count INTEGER NOT NULL,
  humidity_sum REAL,
  humidity_lowest REAL,
  humidity_lowest_time INTEGER,
  humidity_highest REAL,
  humidity_highest_time INTEGER,
  PRIMARY KEY(station, channel, hour)) WITHOUT ROWID;
-- Per channel and quantity: the lowest and highest ever, each at its first time.
CREATE TABLE IF NOT EXISTS channel_records(
  station INTEGER NOT NULL REFERENCES stations(id),
  channel INTEGER NOT NULL,
  quantity TEXT NOT NULL,
  lowest REAL NOT NULL,
  lowest_time INTEGER NOT NULL,
  highest REAL NOT NULL,
  highest_time INTEGER NOT NULL,
  PRIMARY KEY(station, channel, quantity)) WITHOUT ROWID;
)SQL";

constexpr const char* HOUR_ROWS =
    "SELECT time, temperature, humidity, dew_point, heat_index FROM readings "
    "WHERE station = ?1 AND channel = ?2 AND time >= ?3 AND time < ?4";

// A row's values from columns time, temperature, humidity, dew_point, heat_index.
ArchiveRow RowFromColumns(sqlite3_stmt* s, int first, int channel) {
    ArchiveRow row;
    row.channel = channel;
    row.time = sqlite3_column_int64(s, first);
    row.temperature = ColumnOptional(s, first + 1);
    row.humidity = ColumnOptional(s, first + 2);
    row.dewPoint = ColumnOptional(s, first + 3);
    row.heatIndex = ColumnOptional(s, first + 4);
    return row;
}

// Every quantity of the rows of one channel's hour.
struct HourTotals {
    std::array<QuantityStats, QUANTITY_COUNT> stats;

    void Add(const ArchiveRow& row) {
        for (size_t i = 0; i < QUANTITY_COUNT; ++i) {
            if (const std::optional<double> value = QuantityValue(row, ALL_QUANTITIES[i])) {
                stats[i].Add(*value, row.time);
            }
        }
    }
    const QuantityStats& Of(Quantity quantity) const {
        return stats[static_cast<size_t>(quantity)];
    }
};

using Records = std::array<Extremes, QUANTITY_COUNT>;

void MergeRecords(Records& records, const HourTotals& totals) {
    for (size_t i = 0; i < QUANTITY_COUNT; ++i) records[i].Merge(totals.stats[i].extremes);
}

void BindStats(sqlite3_stmt* s, int first, const QuantityStats& stats) {
    sqlite3_bind_int64(s, first, stats.count);
    if (stats.count == 0) {
        for (int i = 1; i <= 5; ++i) sqlite3_bind_null(s, first + i);
        return;
    }
    sqlite3_bind_double(s, first + 1, stats.sum);
    sqlite3_bind_double(s, first + 2, stats.extremes.lowest);
    sqlite3_bind_int64(s, first + 3, stats.extremes.lowestTime);
    sqlite3_bind_double(s, first + 4, stats.extremes.highest);
    sqlite3_bind_int64(s, first + 5, stats.extremes.highestTime);
}

QuantityStats ColumnStats(sqlite3_stmt* s, int first) {
    QuantityStats stats;
    stats.count = sqlite3_column_int64(s, first);
    if (stats.count == 0) return stats;
    stats.sum = sqlite3_column_double(s, first + 1);
    stats.extremes = {true, sqlite3_column_double(s, first + 2), sqlite3_column_int64(s, first + 3),
                      sqlite3_column_double(s, first + 4), sqlite3_column_int64(s, first + 5)};
    return stats;
}

// The statements that write the summaries, prepared once per batch.
class SummaryWriter {
public:
    explicit SummaryWriter(const SqliteConnection& db) : db_(db) {}

    Status WriteHour(int64_t stationId, int channel, int64_t hour, const HourTotals& totals) {
        if (!hour_) {
            Result<SqliteStatement> prepared = db_.Prepare(
                "INSERT OR REPLACE INTO hour_summaries VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
            if (!prepared) return Status::Error(prepared.error);
            hour_ = std::move(*prepared.value);
        }
        sqlite3_stmt* s = hour_.get();
        sqlite3_bind_int64(s, 1, stationId);
        sqlite3_bind_int(s, 2, channel);
        sqlite3_bind_int64(s, 3, hour);
        BindStats(s, 4, totals.Of(Quantity::Temperature));
        BindStats(s, 10, totals.Of(Quantity::Humidity));
        return Step(s);
    }

    Status WriteRecords(int64_t stationId, int channel, const Records& records) {
        if (!record_) {
            Result<SqliteStatement> prepared =
                db_.Prepare("INSERT OR REPLACE INTO channel_records VALUES(?,?,?,?,?,?,?)");
            if (!prepared) return Status::Error(prepared.error);
            record_ = std::move(*prepared.value);
        }
        sqlite3_stmt* s = record_.get();
        for (size_t i = 0; i < QUANTITY_COUNT; ++i) {
            const Extremes& extremes = records[i];
            if (!extremes.any) continue;
            sqlite3_bind_int64(s, 1, stationId);
            sqlite3_bind_int(s, 2, channel);
            sqlite3_bind_text(s, 3, QuantityKey(ALL_QUANTITIES[i]), -1, SQLITE_STATIC);
            sqlite3_bind_double(s, 4, extremes.lowest);
            sqlite3_bind_int64(s, 5, extremes.lowestTime);
            sqlite3_bind_double(s, 6, extremes.highest);
            sqlite3_bind_int64(s, 7, extremes.highestTime);
            if (Status stepped = Step(s); !stepped) return stepped;
        }
        return Status::Ok();
    }

private:
    Status Step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) return Status::Error(db_.LastError());
        return Status::Ok();
    }

    const SqliteConnection& db_;
    SqliteStatement hour_;
    SqliteStatement record_;
};

Result<std::map<int, Records>> RecordsByChannel(const SqliteConnection& db, int64_t stationId) {
    const Result<std::vector<ChannelRecords>> stored = ReadChannelRecords(db, stationId);
    if (!stored) return Result<std::map<int, Records>>::Fail(stored.error);
    std::map<int, Records> records;
    for (const ChannelRecords& channel : *stored) records[channel.channel] = channel.quantities;
    return Result<std::map<int, Records>>::Of(std::move(records));
}

Status SetSummaryVersion(const SqliteConnection& db) {
    return db.Execute("PRAGMA user_version = " + std::to_string(SUMMARY_VERSION));
}

// The summaries of every row, in the order of the readings' key.
Status BuildFromAllRows(const SqliteConnection& db) {
    Result<SqliteStatement> prepared = db.Prepare(
        "SELECT station, channel, time, temperature, humidity, dew_point, heat_index "
        "FROM readings ORDER BY station, channel, time");
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    SummaryWriter writer(db);
    int64_t station = -1;
    int channel = 0;
    int64_t hour = 0;
    HourTotals totals;
    Records records{};
    // Writes what was gathered of the hour (and of the channel, when it ends).
    const auto flush = [&](bool channelEnds) {
        if (station < 0) return Status::Ok();
        MergeRecords(records, totals);
        Status written = writer.WriteHour(station, channel, hour, totals);
        if (written && channelEnds) written = writer.WriteRecords(station, channel, records);
        totals = {};
        if (channelEnds) records = {};
        return written;
    };
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const int64_t rowStation = sqlite3_column_int64(s, 0);
        const int rowChannel = sqlite3_column_int(s, 1);
        const ArchiveRow row = RowFromColumns(s, 2, rowChannel);
        const bool newChannel = rowStation != station || rowChannel != channel;
        if (newChannel || HourOf(row.time) != hour) {
            if (Status flushed = flush(newChannel); !flushed) return flushed;
            station = rowStation;
            channel = rowChannel;
            hour = HourOf(row.time);
        }
        totals.Add(row);
    }
    if (rc != SQLITE_DONE) return Status::Error(db.LastError());
    return flush(true);
}

}  // namespace

int64_t HourOf(int64_t time) {
    const int64_t rest = time % SUMMARY_HOUR;
    return time - (rest < 0 ? rest + SUMMARY_HOUR : rest);
}

Status CreateSummaryTables(const SqliteConnection& db) { return db.Execute(SUMMARY_SCHEMA); }

bool HasSummaries(const SqliteConnection& db) {
    Result<SqliteStatement> prepared = db.Prepare("PRAGMA user_version");
    if (!prepared || sqlite3_step(prepared.value->get()) != SQLITE_ROW) return false;
    return sqlite3_column_int(prepared.value->get(), 0) >= SUMMARY_VERSION;
}

Status BuildMissingSummaries(const SqliteConnection& db) {
    if (HasSummaries(db)) return Status::Ok();
    SqliteTransaction transaction(db.get());
    if (!transaction.Begun()) return transaction.Begun();
    // Another writer may have built them while this one waited.
    if (HasSummaries(db)) return Status::Ok();
    Status built = db.Execute("DELETE FROM hour_summaries; DELETE FROM channel_records");
    if (built) built = BuildFromAllRows(db);
    if (built) built = SetSummaryVersion(db);
    if (built) built = transaction.Commit();
    return built;
}

namespace {

constexpr const char* HOUR_SUMMARY =
    "SELECT temperature_count, temperature_sum, temperature_lowest, temperature_lowest_time, "
    "temperature_highest, temperature_highest_time, humidity_count, humidity_sum, "
    "humidity_lowest, humidity_lowest_time, humidity_highest, humidity_highest_time "
    "FROM hour_summaries WHERE station = ?1 AND channel = ?2 AND hour = ?3";

// Each hour's totals from the hour's rows as stored now.
Status TotalsFromStoredRows(const SqliteConnection& db, int64_t stationId,
                            const std::vector<ArchiveRow>& rows,
                            std::map<std::pair<int, int64_t>, HourTotals>& hours) {
    for (const ArchiveRow& row : rows) hours[{row.channel, HourOf(row.time)}];
    Result<SqliteStatement> prepared = db.Prepare(HOUR_ROWS);
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    for (auto& [key, totals] : hours) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, stationId);
        sqlite3_bind_int(s, 2, key.first);
        sqlite3_bind_int64(s, 3, key.second);
        sqlite3_bind_int64(s, 4, key.second + SUMMARY_HOUR);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) totals.Add(RowFromColumns(s, 0, key.first));
        if (rc != SQLITE_DONE) return Status::Error(db.LastError());
    }
    return Status::Ok();
}

// Rows that were all new: each hour's summary so far with the rows added to
// it, without reading the hour's rows back (a card's sync adds millions).
Status TotalsFromNewRows(const SqliteConnection& db, int64_t stationId,
                         const std::vector<ArchiveRow>& rows,
                         std::map<std::pair<int, int64_t>, HourTotals>& hours,
                         std::map<std::pair<int, int64_t>, HourTotals>& added) {
    for (const ArchiveRow& row : rows) added[{row.channel, HourOf(row.time)}].Add(row);
    Result<SqliteStatement> prepared = db.Prepare(HOUR_SUMMARY);
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    for (const auto& [key, totals] : added) {
        HourTotals& hour = hours[key];
        hour = totals;
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, stationId);
        sqlite3_bind_int(s, 2, key.first);
        sqlite3_bind_int64(s, 3, key.second);
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            hour.stats[static_cast<size_t>(Quantity::Temperature)].Merge(ColumnStats(s, 0));
            hour.stats[static_cast<size_t>(Quantity::Humidity)].Merge(ColumnStats(s, 6));
        } else if (rc != SQLITE_DONE) {
            return Status::Error(db.LastError());
        }
    }
    return Status::Ok();
}

}  // namespace

Status RefreshSummaries(const SqliteConnection& db, int64_t stationId,
                        const std::vector<ArchiveRow>& rows, bool allNew) {
    Result<std::map<int, Records>> records = RecordsByChannel(db, stationId);
    if (!records) return Status::Error(records.error);
    // Per channel and hour: the hour's totals to write, and what may move the records.
    std::map<std::pair<int, int64_t>, HourTotals> hours;
    std::map<std::pair<int, int64_t>, HourTotals> added;
    const Status totalled = allNew ? TotalsFromNewRows(db, stationId, rows, hours, added)
                                   : TotalsFromStoredRows(db, stationId, rows, hours);
    if (!totalled) return totalled;
    const auto& movers = allNew ? added : hours;
    SummaryWriter writer(db);
    std::set<int> changed;
    for (const auto& [key, totals] : hours) {
        if (Status written = writer.WriteHour(stationId, key.first, key.second, totals); !written) {
            return written;
        }
        Records& channelRecords = (*records.value)[key.first];
        const Records before = channelRecords;
        MergeRecords(channelRecords, movers.at(key));
        if (channelRecords != before) changed.insert(key.first);
    }
    for (int channel : changed) {
        Status written = writer.WriteRecords(stationId, channel, records.value->at(channel));
        if (!written) return written;
    }
    return Status::Ok();
}

Status ReadHourSummaries(const SqliteConnection& db, int64_t stationId, int channel, int64_t from,
                         int64_t to, const std::function<void(const HourSummary&)>& visit) {
    Result<SqliteStatement> prepared = db.Prepare(
        "SELECT hour, temperature_count, temperature_sum, temperature_lowest, "
        "temperature_lowest_time, temperature_highest, temperature_highest_time, humidity_count, "
        "humidity_sum, humidity_lowest, humidity_lowest_time, humidity_highest, "
        "humidity_highest_time FROM hour_summaries "
        "WHERE station = ? AND channel = ? AND hour >= ? AND hour < ? ORDER BY hour");
    if (!prepared) return Status::Error(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, stationId);
    sqlite3_bind_int(s, 2, channel);
    sqlite3_bind_int64(s, 3, from);
    sqlite3_bind_int64(s, 4, to);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        HourSummary hour;
        hour.channel = channel;
        hour.hour = sqlite3_column_int64(s, 0);
        hour.temperature = ColumnStats(s, 1);
        hour.humidity = ColumnStats(s, 7);
        visit(hour);
    }
    if (rc != SQLITE_DONE) return Status::Error(db.LastError());
    return Status::Ok();
}

Result<std::vector<ChannelRecords>> ReadChannelRecords(const SqliteConnection& db,
                                                       int64_t stationId) {
    using R = Result<std::vector<ChannelRecords>>;
    Result<SqliteStatement> prepared = db.Prepare(
        "SELECT channel, quantity, lowest, lowest_time, highest, highest_time "
        "FROM channel_records WHERE station = ? ORDER BY channel");
    if (!prepared) return R::Fail(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, stationId);
    std::vector<ChannelRecords> records;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const int channel = sqlite3_column_int(s, 0);
        const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        const std::optional<Quantity> quantity = ParseQuantity(key ? key : "");
        if (!quantity) continue;
        if (records.empty() || records.back().channel != channel) {
            records.push_back({channel, {}});
        }
        records.back().quantities[static_cast<size_t>(*quantity)] = {
            true, sqlite3_column_double(s, 2), sqlite3_column_int64(s, 3),
            sqlite3_column_double(s, 4), sqlite3_column_int64(s, 5)};
    }
    if (rc != SQLITE_DONE) return R::Fail(db.LastError());
    return R::Of(std::move(records));
}

}  // namespace corvalin
