// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LocalCopy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/DataFiles.h"
#include "common/Messages.h"

namespace corvalin {

namespace {

constexpr const char* LOCKS_FOLDER = "locks";
constexpr const char* PARTIAL_FOLDER = "partial";
constexpr int NO_LINKS = O_NOFOLLOW | O_CLOEXEC;

// A folder below `parent`, made when missing, never a link.
int OpenFolder(int parent, const char* name) {
    if (mkdirat(parent, name, 0777) != 0 && errno != EEXIST) return -1;
    return openat(parent, name, O_RDONLY | O_DIRECTORY | NO_LINKS);
}

std::string Why(const std::string& what, const std::string& name) {
    return what + " " + name + ": " + std::strerror(errno) + ".";
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

Result<std::unique_ptr<LocalCopy>> LocalCopy::Lock(const std::string& dataDir,
                                                   const std::string& name) {
    using R = Result<std::unique_ptr<LocalCopy>>;
    std::unique_ptr<LocalCopy> copy(new LocalCopy());
    copy->name_ = name;
    copy->folderFd_ = open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy->folderFd_ < 0) return R::Fail(messages::CREATE_ERROR);
    copy->privateFd_ = OpenFolder(copy->folderFd_, PRIVATE_FOLDER);
    const int locks = copy->privateFd_ < 0 ? -1 : OpenFolder(copy->privateFd_, LOCKS_FOLDER);
    if (locks < 0) return R::Fail(Why("Cannot use the folder", dataDir + "/" + PRIVATE_FOLDER));
    copy->lockFd_ = openat(locks, name.c_str(), O_RDWR | O_CREAT | NO_LINKS, 0666);
    close(locks);
    if (copy->lockFd_ < 0) return R::Fail(Why("Cannot lock the local copy of", name));
    if (flock(copy->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        return R::Fail("The local copy of " + name +
                       " is in use by another transfer (in this or another program); try again "
                       "when it is done.");
    }
    return R::Of(std::move(copy));
}

LocalCopy::~LocalCopy() {
    CloseFd(replacementFd_);
    CloseFd(copyFd_);
    CloseFd(lockFd_);  // releases the lock
    CloseFd(privateFd_);
    CloseFd(folderFd_);
}

Status LocalCopy::OpenForWriting() {
    copyFd_ = openat(folderFd_, name_.c_str(), O_RDWR | O_CREAT | O_EXCL | NO_LINKS, 0666);
    created_ = copyFd_ >= 0;
    if (!created_ && errno == EEXIST) {
        copyFd_ = openat(folderFd_, name_.c_str(), O_RDWR | NO_LINKS | O_NONBLOCK);
    }
    if (copyFd_ < 0) {
        return Status::Error(errno == ELOOP
                                 ? "The local copy of " + name_ + " is a link; it is not followed."
                                 : std::string(messages::OPEN_ERROR_1));
    }
    struct stat info {};
    if (fstat(copyFd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        CloseFd(copyFd_);
        return Status::Error("The local copy of " + name_ + " is not a regular file.");
    }
    originalLength_ = static_cast<uint64_t>(info.st_size);
    lseek(copyFd_, 0, SEEK_END);
    return Status::Ok();
}

Status LocalCopy::OpenReplacement() {
    const int partial = OpenFolder(privateFd_, PARTIAL_FOLDER);
    if (partial < 0) return Status::Error(messages::CREATE_ERROR);
    replacementFd_ = openat(partial, name_.c_str(), O_RDWR | O_CREAT | O_TRUNC | NO_LINKS, 0666);
    close(partial);
    if (replacementFd_ < 0) return Status::Error(messages::CREATE_ERROR);
    return Status::Ok();
}

bool LocalCopy::Append(std::string_view bytes) {
    const int fd = Replacing() ? replacementFd_ : copyFd_;
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

Status LocalCopy::Complete() {
    if (!Replacing()) {
        if (fsync(copyFd_) != 0) return Status::Error(messages::CREATE_ERROR);
        return Status::Ok();
    }
    const int partial = openat(privateFd_, PARTIAL_FOLDER, O_RDONLY | O_DIRECTORY | NO_LINKS);
    const bool moved = partial >= 0 && fsync(replacementFd_) == 0 &&
                       renameat(partial, name_.c_str(), folderFd_, name_.c_str()) == 0;
    if (partial >= 0) close(partial);
    CloseFd(replacementFd_);
    if (!moved) {
        Restore();
        return Status::Error(messages::CREATE_ERROR);
    }
    return Status::Ok();
}

void LocalCopy::Restore() {
    if (Replacing()) {
        CloseFd(replacementFd_);
        const int partial = openat(privateFd_, PARTIAL_FOLDER, O_RDONLY | O_DIRECTORY | NO_LINKS);
        if (partial >= 0) {
            unlinkat(partial, name_.c_str(), 0);
            close(partial);
        }
        return;
    }
    if (copyFd_ < 0) return;
    if (created_) {
        unlinkat(folderFd_, name_.c_str(), 0);
    } else if (ftruncate(copyFd_, static_cast<off_t>(originalLength_)) != 0) {
        // Nothing better is left to do: the next download sees the longer copy and fetches anew.
    }
}

void LocalCopy::KeepPrefix(uint64_t length) {
    if (Replacing() || (created_ && length == 0)) {
        Restore();
        return;
    }
    if (copyFd_ >= 0 && ftruncate(copyFd_, static_cast<off_t>(length)) != 0) Restore();
}

Status LocalCopy::CheckRemovable() const {
    struct stat info {};
    if (fstatat(folderFd_, name_.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? Status::Ok() : Status::Error(Why("Cannot look at", name_));
    }
    if (!S_ISREG(info.st_mode)) {
        return Status::Error("The local copy of " + name_ +
                             " is not a regular file; nothing was deleted.");
    }
    return Status::Ok();
}

void LocalCopy::Remove() {
    if (CheckRemovable()) unlinkat(folderFd_, name_.c_str(), 0);
}

}  // namespace corvalin
