#pragma once

#include <string>

#include "common/Status.h"

namespace corvalin {

// A card file's name becomes a local path: refuse names that could leave the
// data folder or that no file system entry can hold.
Status CheckLocalFileName(const std::string& name);

}  // namespace corvalin
