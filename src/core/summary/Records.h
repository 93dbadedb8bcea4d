// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveRowReader.h"
#include "common/Status.h"

namespace corvalin {

// The channels' (all where none are named) lowest and highest of every
// quantity ever, by channel; channels without values are left out. The local
// archive keeps them as rows come; an archive without them is read through.
Result<std::vector<ChannelRecords>> ReadRecords(ArchiveDatabase& archive,
                                                const std::string& station,
                                                const std::vector<int>& channels = {});
// The same from a pass over the rows (the shared archive on a server).
Result<std::vector<ChannelRecords>> ReadRecords(const ArchiveRowReader& read,
                                                const std::string& station,
                                                const std::vector<int>& channels = {});

}  // namespace corvalin
