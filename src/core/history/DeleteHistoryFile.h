// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"
#include "history/SdCardClient.h"

namespace corvalin {

// Deletes a log file on the card and its local copy, then empties the record
// database (its readings came from a card file). The message of a failure is
// the one to show.
Status DeleteHistoryFile(SdCardClient& card, const std::string& name,
                         const std::string& databasePath);

}  // namespace corvalin
