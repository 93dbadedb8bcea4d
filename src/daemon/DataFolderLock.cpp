// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/DataFiles.h"

namespace corvalin::daemon {

namespace {

constexpr const char* LOCK_FILE = "corvalind.lock";

std::string HolderOf(int fd) {
    char text[32] = {};
    const ssize_t got = pread(fd, text, sizeof text - 1, 0);
    std::string pid(text, got > 0 ? static_cast<size_t>(got) : 0);
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    return pid.empty() ? "unknown" : pid;
}

}  // namespace

DataFolderLock::~DataFolderLock() { Release(); }

void DataFolderLock::Release() {
    if (fd_ >= 0) close(fd_);  // closing lets go of the lock
    fd_ = -1;
}

Status DataFolderLock::Take(const std::string& dataDir) {
    const std::string folder = dataDir + "/" + PRIVATE_FOLDER;
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    mkdir(folder.c_str(), 0700);
    const std::string path = folder + "/" + LOCK_FILE;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Status::Error("Cannot open " + path + ": " + std::strerror(errno));
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const std::string holder = HolderOf(fd);
        close(fd);
        return Status::Error("Another corvalind (pid " + holder + ") logs into " + dataDir +
                             " already; one logger per data folder");
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        // The lock holds all the same; only the pid for the other's message is missing.
    }
    Release();
    fd_ = fd;
    return Status::Ok();
}

}  // namespace corvalin::daemon
