// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "common/DataFiles.h"

namespace corvalin {

// $XDG_DATA_HOME/KV7500, or ~/.local/share/KV7500.
std::string DefaultDataDirectory();

// The simulated station every program of the user shares unless told
// otherwise: its card/ and state.json in $XDG_STATE_HOME/corvalin/
// simulated-station, or ~/.local/state/corvalin/simulated-station.
std::string SharedSimulatedStationFolder();

// Where the template Main.ini is looked for: next to the program, then in
// the installed share folder.
std::vector<std::string> MainIniTemplates(const std::string& programDir);

// What preparing the data folder ran into. None of it stops the program.
struct DataFolderReport {
    std::vector<std::string> problems;
};

// Creates the folder (with parents) when missing, creates the record
// database there when missing, and copies Main.ini there when missing,
// making the copy writable. Existing files are never replaced.
DataFolderReport PrepareDataFolder(const std::string& dataDir, const std::string& programDir);

}  // namespace corvalin
