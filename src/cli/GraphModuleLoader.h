// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"
#include "graph/GraphModule.h"

namespace corvalin::cli {

// Where the graph module is for this program: its folder relative to the
// program's own, as installed and in the build tree.
std::string GraphModulePath();

// Loads the module at `path` (once; it stays loaded) and gives its drawing
// entry. When it is not there, the error says which package brings it.
Result<graph_module::WriteFunction> LoadGraphModule(const std::string& path);

}  // namespace corvalin::cli
