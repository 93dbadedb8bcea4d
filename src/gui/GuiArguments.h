// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "session/StationArguments.h"

namespace corvalin::gui {

// The window's command line: the station options of corvalin-cli and --data-dir.
struct GuiArguments {
    StationArguments station;
    std::string dataDir;  // empty: the default data folder
};

struct GuiParse {
    bool run = false;    // go on and start the window
    int exitCode = 0;    // otherwise end with this
    std::string output;  // help or error text to print
};

// Parses the arguments after the program name. Options Qt knows (such as
// -platform) are left to Qt.
GuiParse ParseGuiArguments(const std::vector<std::string>& args, GuiArguments& arguments);

}  // namespace corvalin::gui
