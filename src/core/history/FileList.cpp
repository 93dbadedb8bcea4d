#include "history/FileList.h"

#include <algorithm>
#include <cstdio>

#include "common/ByteOrder.h"
namespace corvalin {

FileEntry ParseFileListLine(const Report& data) {
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    const auto comma = std::find(data.begin(), end, uint8_t{','});
    FileEntry entry;
    if (data.begin() + 1 < comma) entry.name.assign(data.begin() + 1, comma);
    if (comma != end && comma + 5 <= data.end()) {
        entry.size = ReadBigEndian32(&comma[1]);
    }
    return entry;
}

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
    m_FilenameSize.clear();
}

void FileListing::Add(const FileEntry& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    m_FilenameSize[entry.name] = entry.size;
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
    auto found = m_FilenameSize.find(name);
    if (found == m_FilenameSize.end()) return std::nullopt;
    return found->second;
}

}  // namespace corvalin
