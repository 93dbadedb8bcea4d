// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "support/TempDir.h"

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

// An archive in a folder of its own.
struct ArchiveFixture {
    TempDir dir;
    std::string path = dir.File("archive.db");
    std::unique_ptr<ArchiveDatabase> archive = Open();

    std::unique_ptr<ArchiveDatabase> Open(bool readOnly = false) {
        auto opened = ArchiveDatabase::Open(path, readOnly);
        EXPECT_TRUE(opened) << opened.error;
        return opened ? std::move(*opened.value) : nullptr;
    }
};

inline ArchiveRow Reading(int channel, int64_t time, std::optional<double> temperature,
                          std::optional<double> humidity = 50.0) {
    return {channel, time, temperature, humidity, {}, {}};
}

}  // namespace corvalin::test
