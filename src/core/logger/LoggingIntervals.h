// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "archive/ArchiveDatabase.h"

namespace corvalin {

// How far apart the archive's rows are meant to be: the longer of the
// logger's interval and the station's own, as the logger and the card sync
// left them (the default interval at least). Rows more than two of these
// apart have a gap between them.
int64_t LongestLoggingInterval(ArchiveDatabase& archive);

}  // namespace corvalin
