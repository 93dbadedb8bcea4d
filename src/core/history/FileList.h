// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "protocol/CardFrames.h"

namespace corvalin {

// "%0.2f KB" up to 1048576 bytes, "%0.2f MB" above; sizes are unsigned.
std::string FormatFileSize(uint32_t size);

// A card file's name as it is shown, typed and given to its local copy: the
// station's Windows-1252 bytes as UTF-8.
std::string CardNameText(const std::string& cardBytes);

// The entries received since the list was asked for, in order, and the size
// of each name (a later entry of the same name replaces the size). Filled on
// the reader thread, read on others.
class FileListing {
public:
    void Clear();
    void Add(const FileEntry& entry);
    std::vector<FileEntry> Entries() const;
    size_t Count() const;
    std::optional<uint32_t> SizeOf(const std::string& name) const;
    // The entry whose name reads `shown` (as CardNameText gives it).
    std::optional<FileEntry> FindShown(const std::string& shown) const;

private:
    mutable std::mutex mutex_;
    std::vector<FileEntry> entries_;
    std::map<std::string, uint32_t> sizeByName_;
};

}  // namespace corvalin
