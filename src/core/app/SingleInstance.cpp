// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace corvalin {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// A folder itself (no link to one) that this user owns.
bool OwnFolder(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

// Makes `path` (its parent must exist) a folder of this user's that nobody
// else may enter, or finds it a folder of this user's; one found with wider
// rights is narrowed when `narrow`.
bool MakePrivateFolder(const std::string& path, bool narrow = true) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return OwnFolder(path) && (!narrow || ::chmod(path.c_str(), 0700) == 0);
}

}  // namespace

std::string LockFolder() {
    // The session's runtime folder. Named but not there, it is made, as Qt
    // makes it in every copy that starts: the copies must not differ on
    // whether it was there when each looked.
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/' && MakePrivateFolder(runtime, false)) {
        return runtime;
    }

    std::error_code error;
    const std::string temp = std::filesystem::temp_directory_path(error).string();
    const std::string mine = "corvalin-" + std::to_string(::geteuid());
    if (!error && MakePrivateFolder(temp + "/" + mine)) return temp + "/" + mine;

    // Someone else took that name in the shared temp folder: the home's cache.
    std::string cache = Environment("XDG_CACHE_HOME");
    if (cache.empty() || cache.front() != '/') {
        const std::string home = Environment("HOME");
        if (home.empty()) return {};
        cache = home + "/.cache";
    }
    std::filesystem::create_directories(cache, error);
    if (MakePrivateFolder(cache + "/corvalin")) return cache + "/corvalin";
    return {};
}

SingleInstance::SingleInstance(const std::string& folder) {
    const std::string dir = folder.empty() ? LockFolder() : folder;
    if (dir.empty()) return;
    path_ = dir + "/kv7500.lock";
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::First;
    } else {
        state_ = errno == EWOULDBLOCK ? State::AnotherIsRunning : State::Unknown;
    }
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

}  // namespace corvalin
