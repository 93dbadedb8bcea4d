// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordCursor.h"

#include <sqlite3.h>

#include "store/RecordColumns.h"

namespace corvalin {

bool RecordCursor::Open(SqliteStatement query, std::string& error) {
    query_ = std::move(query);
    return Step(error);
}

void RecordCursor::Close() {
    query_.reset();
    atEnd_ = true;
}

bool RecordCursor::Step(std::string& error) {
    const int rc = sqlite3_step(query_.get());
    atEnd_ = rc != SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return true;
    error = sqlite3_errmsg(sqlite3_db_handle(query_.get()));
    return false;
}

bool RecordCursor::Next(std::string& error) {
    if (atEnd_) return true;
    return Step(error);
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
