// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "CliRunner.h"
#include "session/StationArguments.h"
#include "session/StationSession.h"

namespace corvalin::cli {

struct OutputFlags {
    bool trace = false;  // every frame and report on stderr
    bool json = false;   // results as JSON
};

// Creates the session without opening the station. On failure prints why
// and returns the exit status (usage or failed); 0 on success.
int CreateSession(const StationArguments& arguments, Console& console,
                  std::unique_ptr<StationSession>& session);

// Creates the session (one-shot: its reads stop at the first answer that
// does not come) and opens the station. On failure prints why and
// returns the exit status (usage, failed, or unconnected); 0 on success.
// `sayUnconnected` false leaves "Unconnected" to the caller, which prints it
// as its result.
int OpenStation(const StationArguments& arguments, const OutputFlags& flags, Console& console,
                std::unique_ptr<StationSession>& session, bool sayUnconnected = true);

}  // namespace corvalin::cli
