// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiArguments.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "common/Version.h"
#include "options/StationOptions.h"

namespace corvalin::gui {

GuiParse ParseGuiArguments(const std::vector<std::string>& args, GuiArguments& arguments) {
    CLI::App app{"corvalin: the KV7500 base station's companion window", "corvalin"};
    app.set_version_flag("--version", std::string("corvalin ") + CORVALIN_VERSION);
    options::AddStationOptions(app, arguments.station);
    app.add_option("--data-dir", arguments.dataDir,
                   "The data folder (default: $XDG_DATA_HOME/KV7500)");

    // Qt's own options, which QApplication takes out of the command line.
    std::vector<std::string> mine;
    for (size_t i = 0; i < args.size(); ++i) {
        static const char* withValue[] = {"-platform", "-display", "-style", "-qwindowgeometry"};
        bool qtOption = false;
        for (const char* name : withValue) {
            if (args[i] == name) {
                qtOption = true;
                ++i;
                break;
            }
        }
        if (!qtOption) mine.push_back(args[i]);
    }

    std::vector<std::string> reversed(mine.rbegin(), mine.rend());
    std::ostringstream out, err;
    GuiParse result;
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        result.exitCode = app.exit(error, out, err) == 0 ? 0 : 2;
        result.output = out.str() + err.str();
        return result;
    }
    result.run = true;
    return result;
}

}  // namespace corvalin::gui
