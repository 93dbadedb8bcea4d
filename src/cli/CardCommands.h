// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Commands.h"
#include "history/SdCardClient.h"

namespace corvalin::cli {

// Opens the station, makes the data folder, asks for the card's file list and
// hands the client to `work`. Returns the exit status.
int WithCard(CommandContext& context,
             const std::function<int(StationSession&, SdCardClient&)>& work);

}  // namespace corvalin::cli
