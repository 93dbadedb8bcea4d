// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "common/Status.h"
#include "store/Sqlite.h"
#include "store/StoredValue.h"

namespace corvalin {

// The one open query of a RecordDatabase: its current row and the step to
// the next. Closed, it is at its end.
class RecordCursor {
public:
    // Takes a prepared, bound query and moves to its first row.
    Status Open(SqliteStatement query);
    void Close();

    bool AtEnd() const { return atEnd_; }
    // The named column of the current row, the name in any letter case; none
    // when there is no such column or no current row.
    StoredValue Value(std::string_view column) const;
    // A failure to read on leaves the cursor at its end.
    Status Next();

private:
    Status Step();

    SqliteStatement query_;
    bool atEnd_ = true;
};

}  // namespace corvalin
