// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// A card file's name (as shown, UTF-8) becomes a local path: refuse names
// that could leave the data folder, that no file system entry can hold, or
// that are the program's own files there (in any letter case).
Status CheckLocalFileName(const std::string& name);

}  // namespace corvalin
