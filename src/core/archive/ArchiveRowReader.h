// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveRow.h"
#include "common/Status.h"

namespace corvalin {

// Hands the rows that match the query to `visit`, ordered by station,
// channel and time, until it returns false: the local archive, or another
// (the shared archive on a server), so that both go through the same rules.
using ArchiveRowReader =
    std::function<Status(const ArchiveQuery&, const std::function<bool(const ArchivedRow&)>&)>;
ArchiveRowReader ReaderOf(ArchiveDatabase& archive);

}  // namespace corvalin
