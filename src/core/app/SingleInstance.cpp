// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace corvalin {

SingleInstance::SingleInstance(const std::string& folder) {
    std::string dir = folder;
    if (dir.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        dir = runtime != nullptr && *runtime != '\0'
                  ? std::string(runtime)
                  : std::filesystem::temp_directory_path(ignored).string();
    }
    path_ = dir + "/kv7500.lock";
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
