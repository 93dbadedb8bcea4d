// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Status.h"
#include "store/StoredRow.h"

namespace corvalin {

// The staging file of an import: the rows of one log file ready to store
// (StoredRow, as this process lays it out) in file order, between reading
// the file and storing it. It lies
// in the temp folder under a unique name starting "KV75" and is removed when
// this object goes. It is locked while in use, so that a killed import's
// file can be told from one in use.
class StagingFile {
public:
    StagingFile() = default;
    ~StagingFile();
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    Status Create();
    Status Append(std::span<const StoredRow> rows);
    // Rows [first, first + count) into `rows`, replacing its contents.
    Status Read(uint64_t first, size_t count, std::vector<StoredRow>& rows) const;
    // Rows [first, first + count) are stored: their room is given back at
    // once (where the file system can), so that the next rows reuse memory
    // the system already holds instead of taking fresh pages.
    void Release(uint64_t first, size_t count);

    uint64_t Count() const { return count_; }

private:
    int fd_ = -1;
    std::string path_;
    uint64_t count_ = 0;
};

// Removes the staging files of this user that no running import holds
// (left behind by imports that were killed).
void RemoveAbandonedStagingFiles();

}  // namespace corvalin
