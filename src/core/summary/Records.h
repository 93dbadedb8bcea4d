// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "common/Status.h"

namespace corvalin {

// Each channel's (or one channel's) lowest and highest of every quantity
// ever, by channel; channels without rows are left out.
Result<std::vector<ChannelRecords>> ReadRecords(ArchiveDatabase& archive,
                                                const std::string& station,
                                                std::optional<int> channel = std::nullopt);

}  // namespace corvalin
