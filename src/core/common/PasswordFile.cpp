// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PasswordFile.h"

#include <fstream>

namespace corvalin {

Result<std::string> ReadPasswordFile(const std::string& path, const std::string& what) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || (!std::getline(in, line) && !in.eof())) {
        return Result<std::string>::Fail("Cannot read the " + what + " password file " + path);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return Result<std::string>::Of(line);
}

}  // namespace corvalin
