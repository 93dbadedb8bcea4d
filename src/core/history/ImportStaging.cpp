// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ImportStaging.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace corvalin {

namespace {

constexpr const char* STAGING_PREFIX = "KV75";

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

StagingFile::~StagingFile() {
    if (fd_ < 0) return;
    close(fd_);
    unlink(path_.c_str());
}

Status StagingFile::Create() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    std::string pattern =
        (error ? std::filesystem::path("/tmp") : folder).string() + "/" + STAGING_PREFIX + "XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ < 0) return Status::Error(SystemError("Cannot create the staging file", pattern));
    path_ = pattern;
    // Held until the process ends, however it ends.
    flock(fd_, LOCK_EX);
    return Status::Ok();
}

void RemoveAbandonedStagingFiles() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return;
    const std::string prefix = STAGING_PREFIX;
    // A file just made by mkstemp is not locked yet: leave young files alone.
    const auto youngest = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1);
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const int fd = open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {};
        std::error_code ignored;
        const bool old = std::filesystem::last_write_time(entry.path(), ignored) < youngest;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid() && old &&
            flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlink(entry.path().c_str());
        }
        close(fd);
    }
}

Status StagingFile::Append(std::span<const StoredRow> rows) {
    const auto* bytes = reinterpret_cast<const char*>(rows.data());
    const size_t size = rows.size_bytes();
    const off_t offset = static_cast<off_t>(count_ * sizeof(StoredRow));
    for (size_t done = 0; done < size;) {
        const ssize_t written =
            pwrite(fd_, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return Status::Error(SystemError("Cannot write the staging file", path_));
        done += static_cast<size_t>(written);
    }
    count_ += rows.size();
    return Status::Ok();
}

Status StagingFile::Read(uint64_t first, size_t count, std::vector<StoredRow>& rows) const {
    rows.resize(count);
    auto* bytes = reinterpret_cast<char*>(rows.data());
    const size_t size = count * sizeof(StoredRow);
    const off_t offset = static_cast<off_t>(first * sizeof(StoredRow));
    for (size_t done = 0; done < size;) {
        const ssize_t got =
            pread(fd_, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) return Status::Error("The staging file " + path_ + " ended early");
        if (got < 0) return Status::Error(SystemError("Cannot read the staging file", path_));
        done += static_cast<size_t>(got);
    }
    return Status::Ok();
}

void StagingFile::Release(uint64_t first, size_t count) {
    // Stored rows are never read again; a file system without holes keeps them.
    fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
              static_cast<off_t>(first * sizeof(StoredRow)),
              static_cast<off_t>(count * sizeof(StoredRow)));
}

}  // namespace corvalin
