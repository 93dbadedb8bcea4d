// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace corvalin {

// The simulated station's SD card as a folder on the computer. Names come from
// command frames, so every access checks that the name stays inside the folder.

struct CardEntry {
    std::string name;
    uint64_t size = 0;
};

// False for names that could reach outside the folder: empty, "/", "\\", "..",
// control characters.
bool IsSafeCardName(std::string_view name);

// Regular files of the folder, sorted by name.
std::vector<CardEntry> ListCard(const std::string& dir);

// Bytes [start, end) of a file, clipped to its size; none when the name is
// unsafe or the file cannot be read.
std::optional<std::string> ReadCardRange(const std::string& dir, std::string_view name,
                                         uint64_t start, uint64_t end);

// Removes one regular file; false when the name is unsafe or nothing was removed.
bool RemoveCardFile(const std::string& dir, std::string_view name);

// Writes a whole file (used for the default logs).
Status WriteCardFile(const std::string& dir, const std::string& name, const std::string& content);

}  // namespace corvalin
