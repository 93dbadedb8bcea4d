// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "archive/ArchiveDatabase.h"

namespace corvalin::test {

// Every row the archive gives for `query`, in its own order.
inline std::vector<ArchivedRow> ReadRows(ArchiveDatabase& archive, const ArchiveQuery& query = {}) {
    std::vector<ArchivedRow> rows;
    EXPECT_TRUE(archive.Read(query, [&](const ArchivedRow& row) {
        rows.push_back(row);
        return true;
    }));
    return rows;
}

}  // namespace corvalin::test
