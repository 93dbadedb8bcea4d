// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"

#include <fstream>

namespace corvalin::daemon {

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

Result<ConfigFile> ConfigFile::Read(const std::string& path) {
    std::ifstream in(path);
    if (!in) return Result<ConfigFile>::Fail("Cannot read the config file " + path);
    ConfigFile file;
    file.path_ = path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = Trimmed(line);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        const size_t equals = text.find('=');
        const std::string key = equals == std::string::npos ? "" : Trimmed(text.substr(0, equals));
        if (key.empty()) {
            return Result<ConfigFile>::Fail(path + ":" + std::to_string(number) + ": \"" + text +
                                            "\" is not a line KEY = VALUE");
        }
        file.lines_.push_back({number, key});
    }
    return Result<ConfigFile>::Of(file);
}

Status ConfigFile::CheckKeys(const std::set<std::string>& known) const {
    for (const ConfigLine& line : lines_) {
        if (known.count(line.key) == 0) {
            return Status::Error(path_ + ":" + std::to_string(line.number) + ": unknown key \"" +
                                 line.key + "\"");
        }
    }
    return Status::Ok();
}

std::optional<std::string> ConfigFile::PlaceOf(const std::string& key) const {
    for (const ConfigLine& line : lines_) {
        if (line.key == key) return path_ + ":" + std::to_string(line.number);
    }
    return std::nullopt;
}

}  // namespace corvalin::daemon
