// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>

#include "session/StationArguments.h"

namespace corvalin::options {

// Registers --simulate and the --sim-... options on an app.
void AddStationOptions(CLI::App& app, StationArguments& arguments);

}  // namespace corvalin::options
