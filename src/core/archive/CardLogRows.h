// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive/ArchiveDatabase.h"
#include "common/LogTime.h"
#include "common/Status.h"
#include "common/ZonedTime.h"

namespace corvalin {

// The channel (1..8) whose log a card file is: a name that starts with CH1
// to CH8, in any letter case, and goes on with no digit ("CH3.CSV",
// "ch3_big.txt"); none for the indoor log, "CH10.CSV" and anything else.
std::optional<int> ChannelOfCardLog(std::string_view fileName);

// One data line of a channel log, in °C and % (converted from °F when the
// log is kept in °F): nothing when its time is no valid date.
struct CardLine {
    CivilTime wall;
    ArchiveRow values;  // channel and time are left for the caller
};
std::optional<CardLine> ParseCardLine(std::string_view line, DateOrder order, bool fahrenheit);

struct CardLogOutcome {
    Status status;
    int64_t rowsAdded = 0;
    int64_t linesSkipped = 0;  // lines whose time is no date
    bool stopped = false;
};

struct CardLogSource {
    std::string station;
    int channel = 1;
    std::string file;  // the card file's name: the archive keeps its position
    std::string path;  // its local copy
};

// Adds the complete lines of a local copy that the archive has not taken
// yet (those after its stored position) as card rows, in batches that each
// move the position with them, so a run that ends at any point leaves the
// archive and the position in step. A copy shorter than the position was
// started anew on the card: it is read from its start. `stop` is asked
// between batches.
CardLogOutcome AddCardLog(ArchiveDatabase& archive, const CardLogSource& source,
                          const WallTimeZone& zone, DateOrder order,
                          const std::function<bool()>& stop = {});

}  // namespace corvalin
