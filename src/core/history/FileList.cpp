#include "history/FileList.h"

#include <algorithm>
#include <cstdio>

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

std::optional<uint32_t> FileListing::SizeOf(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = sizeByName_.find(name);
    if (found == sizeByName_.end()) return std::nullopt;
    return found->second;
}

}  // namespace corvalin
