// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/Status.h"

namespace corvalin::daemon {

// The "key = value" lines of a config file, with where each stands, so that
// a mistake is named by file, line and key.
struct ConfigLine {
    int number = 0;
    std::string key;
};

class ConfigFile {
public:
    // Reads the file's keys; a line that is neither a key, a comment nor
    // blank is refused with its place.
    static Result<ConfigFile> Read(const std::string& path);

    const std::string& path() const { return path_; }
    // "FILE:LINE: unknown key "intervall"" for the first key not in `known`.
    Status CheckKeys(const std::set<std::string>& known) const;
    // Where `key` is set, as "FILE:LINE", if it is.
    std::optional<std::string> PlaceOf(const std::string& key) const;

private:
    std::string path_;
    std::vector<ConfigLine> lines_;
};

}  // namespace corvalin::daemon
