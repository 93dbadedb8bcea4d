// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/FileList.h"

#include <algorithm>
#include <cstdio>

#include "common/Cp1252.h"

namespace corvalin {

std::string FormatFileSize(uint32_t size) {
    char text[32];
    if (size <= 1048576u) {
        std::snprintf(text, sizeof text, "%0.2f KB", size / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%0.2f MB", size / 1048576.0);
    }
    return text;
}

std::string CardNameText(const std::string& cardBytes) { return Cp1252ToUtf8(cardBytes); }

void FileListing::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    sizeByName_.clear();
}

void FileListing::Add(const FileEntry& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    sizeByName_[entry.name] = entry.size;
}

std::vector<FileEntry> FileListing::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

size_t FileListing::Count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::optional<FileEntry> FileListing::FindShown(const std::string& shown) const {
    std::lock_guard lock(mutex_);
    // The last entry of a name holds its size.
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if (CardNameText(entry->name) == shown) return *entry;
    }
    return std::nullopt;
}

std::optional<uint32_t> FileListing::SizeOf(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = sizeByName_.find(name);
    if (found == sizeByName_.end()) return std::nullopt;
    return found->second;
}

}  // namespace corvalin
