// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvalin::test {

// A fresh folder under the temp folder, removed with everything in it at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace corvalin::test
