// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "store/SqliteHandles.h"
#include "store/StoredValue.h"

namespace corvalin {

// The one open query of a RecordDatabase: its current row and the step to
// the next. Closed, it is at its end.
class RecordCursor {
public:
    // Takes a prepared, bound query and moves to its first row. False with
    // the SQLite message in `error` when the query fails.
    bool Open(SqliteStatement query, std::string& error);
    void Close();

    bool IsOpen() const { return query_ != nullptr; }
    bool AtEnd() const { return atEnd_; }
    // The named column of the current row, the name in any letter case; none
    // when there is no such column or no current row.
    StoredValue Value(std::string_view column) const;
    // False with the SQLite message in `error` when reading on fails; the
    // cursor is then at its end.
    bool Next(std::string& error);

private:
    bool Step(std::string& error);

    SqliteStatement query_;
    bool atEnd_ = true;
};

}  // namespace corvalin
