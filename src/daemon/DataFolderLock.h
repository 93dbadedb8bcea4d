// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin::daemon {

// One logger per data folder: an flock on .corvalin/corvalind.lock in it,
// held while the logger runs, the file holding the holder's process id.
class DataFolderLock {
public:
    DataFolderLock() = default;
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the folder's lock, letting go of any held before; refused with
    // the other logger's process id when it holds it.
    Status Take(const std::string& dataDir);

private:
    void Release();
    int fd_ = -1;
};

}  // namespace corvalin::daemon
