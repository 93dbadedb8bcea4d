// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordCursor.h"

#include <sqlite3.h>

#include "store/RecordColumns.h"

namespace corvalin {

Status RecordCursor::Open(SqliteStatement query) {
    query_ = std::move(query);
    return Step();
}

void RecordCursor::Close() {
    query_.reset();
    atEnd_ = true;
}

Status RecordCursor::Step() {
    const int rc = sqlite3_step(query_.get());
    atEnd_ = rc != SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return Status::Ok();
    return Status::Error(sqlite3_errmsg(sqlite3_db_handle(query_.get())));
}

Status RecordCursor::Next() {
    if (atEnd_) return Status::Ok();
    return Step();
}

StoredValue RecordCursor::Value(std::string_view column) const {
    if (atEnd_) return {};
    sqlite3_stmt* query = query_.get();
    const int count = sqlite3_column_count(query);
    for (int i = 0; i < count; ++i) {
        if (!EqualNoCase(column, sqlite3_column_name(query, i))) continue;
        switch (sqlite3_column_type(query, i)) {
            case SQLITE_INTEGER:
                return StoredValue(static_cast<int64_t>(sqlite3_column_int64(query, i)));
            case SQLITE_FLOAT:
                return StoredValue(sqlite3_column_double(query, i));
            case SQLITE_NULL:
                return {};
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, i));
                return StoredValue(std::string(text != nullptr ? text : ""));
            }
        }
    }
    return {};
}

}  // namespace corvalin
