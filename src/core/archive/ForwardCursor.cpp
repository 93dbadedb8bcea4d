// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ForwardCursor.h"

#include <sqlite3.h>

#include <cstdio>
#include <optional>

namespace corvalin {

namespace {

constexpr const char* POSITION_PREFIX = "forwardCursor:";
// Every key that starts with the prefix sorts between these two.
constexpr const char* POSITION_KEYS_FROM = "forwardCursor:";
constexpr const char* POSITION_KEYS_TO = "forwardCursor;";

std::string PositionText(const ForwardPosition& position) {
    return std::to_string(position.time) + " " + std::to_string(position.station) + " " +
           std::to_string(position.channel);
}

std::optional<ForwardPosition> ParsePosition(const char* text) {
    ForwardPosition position;
    long long time = 0, station = 0;
    int channel = 0;
    char rest = 0;
    if (text == nullptr ||
        std::sscanf(text, "%lld %lld %d%c", &time, &station, &channel, &rest) != 3) {
        return std::nullopt;
    }
    position.time = time;
    position.station = station;
    position.channel = channel;
    return position;
}

std::optional<double> ColumnValue(sqlite3_stmt* statement, int index) {
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(statement, index);
}

const char* Text(sqlite3_stmt* statement, int index) {
    return reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
}

}  // namespace

ForwardCursor::ForwardCursor(ArchiveDatabase& archive, std::string copy)
    : archive_(archive), key_(PositionKey(copy)) {}

std::string ForwardCursor::PositionKey(const std::string& copy) { return POSITION_PREFIX + copy; }

Result<ForwardPosition> ForwardCursor::ApplyRewind() {
    using R = Result<ForwardPosition>;
    const std::optional<std::string> rewind = archive_.Setting(REWIND_KEY);
    const std::optional<std::string> own = archive_.Setting(key_);
    ForwardPosition position =
        own ? ParsePosition(own->c_str()).value_or(ForwardPosition{}) : ForwardPosition{};
    if (!rewind) return R::Of(position);
    const ForwardPosition before = ForwardPosition::Before(std::atoll(rewind->c_str()));
    Result<SqliteStatement> select =
        archive_.db_.Prepare("SELECT key, value FROM settings WHERE key >= ?1 AND key < ?2");
    if (!select) return R::Fail(select.error);
    sqlite3_stmt* s = select.value->get();
    sqlite3_bind_text(s, 1, POSITION_KEYS_FROM, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, POSITION_KEYS_TO, -1, SQLITE_STATIC);
    std::vector<std::string> lowered;
    while (sqlite3_step(s) == SQLITE_ROW) {
        const std::optional<ForwardPosition> at = ParsePosition(Text(s, 1));
        if (!at || before < *at) lowered.emplace_back(Text(s, 0));
    }
    for (const std::string& key : lowered) {
        if (Status set = archive_.SetSetting(key, PositionText(before)); !set) {
            return R::Fail(set.message);
        }
    }
    if (Status removed = archive_.db_.Execute("DELETE FROM settings WHERE key = 'forwardRewind'");
        !removed) {
        return R::Fail(removed.message);
    }
    return R::Of(std::min(position, before));
}

Result<ForwardPosition> ForwardCursor::Take() {
    // Most looks find nothing added behind: no write for them.
    if (!archive_.Setting(REWIND_KEY)) {
        const std::optional<std::string> own = archive_.Setting(key_);
        return Result<ForwardPosition>::Of(
            own ? ParsePosition(own->c_str()).value_or(ForwardPosition{}) : ForwardPosition{});
    }
    SqliteTransaction transaction(archive_.db_.get());
    if (!transaction.Begun()) return Result<ForwardPosition>::Fail(transaction.Begun().message);
    const Result<ForwardPosition> position = ApplyRewind();
    if (!position) return position;
    if (Status committed = transaction.Commit(); !committed) {
        return Result<ForwardPosition>::Fail(committed.message);
    }
    return position;
}

Status ForwardCursor::MoveTo(const ForwardPosition& confirmed) {
    SqliteTransaction transaction(archive_.db_.get());
    if (!transaction.Begun()) return transaction.Begun();
    // Rows added behind since the batch was read go again.
    const std::optional<std::string> rewind = archive_.Setting(REWIND_KEY);
    const Result<ForwardPosition> lowered = ApplyRewind();
    if (!lowered) return Status::Error(lowered.error);
    ForwardPosition next = confirmed;
    if (rewind) next = std::min(next, ForwardPosition::Before(std::atoll(rewind->c_str())));
    if (Status set = archive_.SetSetting(key_, PositionText(next)); !set) return set;
    return transaction.Commit();
}

Result<std::vector<ForwardedRow>> ForwardCursor::RowsAfter(const ForwardPosition& after,
                                                           size_t limit) {
    using R = Result<std::vector<ForwardedRow>>;
    // CROSS JOIN keeps the readings outermost, read in the order index.
    Result<SqliteStatement> prepared = archive_.db_.Prepare(
        "SELECT r.time, r.station, r.channel, s.name, r.temperature, r.humidity, r.dew_point, "
        "r.heat_index, r.source FROM readings AS r CROSS JOIN stations AS s "
        "ON s.id = r.station WHERE (r.time, r.station, r.channel) > (?1, ?2, ?3) "
        "ORDER BY r.time, r.station, r.channel LIMIT ?4");
    if (!prepared) return R::Fail(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, after.time);
    sqlite3_bind_int64(s, 2, after.station);
    sqlite3_bind_int(s, 3, after.channel);
    sqlite3_bind_int64(s, 4, static_cast<int64_t>(limit));
    std::vector<ForwardedRow> rows;
    int step;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        ForwardedRow next;
        next.position = {sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1),
                         sqlite3_column_int(s, 2)};
        next.stored.station = Text(s, 3);
        ArchiveRow& row = next.stored.row;
        row.time = next.position.time;
        row.channel = next.position.channel;
        row.temperature = ColumnValue(s, 4);
        row.humidity = ColumnValue(s, 5);
        row.dewPoint = ColumnValue(s, 6);
        row.heatIndex = ColumnValue(s, 7);
        row.source = Text(s, 8)[0] == 'c' ? RowSource::Card : RowSource::Live;
        rows.push_back(std::move(next));
    }
    if (step != SQLITE_DONE) return R::Fail("Cannot read the archive: " + archive_.db_.LastError());
    return R::Of(std::move(rows));
}

Result<int64_t> ForwardCursor::Waiting() {
    const std::optional<std::string> rewind = archive_.Setting(REWIND_KEY);
    const std::optional<std::string> own = archive_.Setting(key_);
    ForwardPosition from =
        own ? ParsePosition(own->c_str()).value_or(ForwardPosition{}) : ForwardPosition{};
    if (rewind) from = std::min(from, ForwardPosition::Before(std::atoll(rewind->c_str())));
    Result<SqliteStatement> prepared = archive_.db_.Prepare(
        "SELECT count(*) FROM readings WHERE (time, station, channel) > (?1, ?2, ?3)");
    if (!prepared) return Result<int64_t>::Fail(prepared.error);
    sqlite3_stmt* s = prepared.value->get();
    sqlite3_bind_int64(s, 1, from.time);
    sqlite3_bind_int64(s, 2, from.station);
    sqlite3_bind_int(s, 3, from.channel);
    if (sqlite3_step(s) != SQLITE_ROW) {
        return Result<int64_t>::Fail("Cannot read the archive: " + archive_.db_.LastError());
    }
    return Result<int64_t>::Of(sqlite3_column_int64(s, 0));
}

}  // namespace corvalin
