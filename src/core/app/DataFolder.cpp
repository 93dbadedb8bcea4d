// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/RecordSchema.h"

namespace corvalin {

namespace fs = std::filesystem;

namespace {

// Copies `source` into a new file at `target`, never replacing one. The new
// file's mode is the user's (0666 less the umask), not the template's, which
// may be read-only or readable by all.
bool CopyAsNewFile(const std::string& source, const std::string& target) {
    std::ifstream in(source, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    if (!written) unlink(target.c_str());
    return written;
}

}  // namespace

std::string DefaultDataDirectory() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome != '\0') return std::string(dataHome) + "/KV7500";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/KV7500";
}

std::string SharedSimulatedStationFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && *stateHome != '\0') {
        return std::string(stateHome) + "/corvalin/simulated-station";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/state/corvalin/simulated-station";
}

std::vector<std::string> MainIniTemplates(const std::string& programDir) {
    return {programDir + "/" + MAIN_INI_FILE, programDir + "/../share/corvalin/" + MAIN_INI_FILE};
}

DataFolderReport PrepareDataFolder(const std::string& dataDir, const std::string& programDir) {
    DataFolderReport report;
    std::error_code error;
    fs::create_directories(dataDir, error);
    if (error) {
        report.problems.push_back("Cannot create the data folder " + dataDir + ": " +
                                  error.message());
        return report;
    }

    Status database = EnsureRecordDatabase(dataDir + "/" + RECORD_DATABASE_FILE);
    if (!database) report.problems.push_back(database.message);

    const fs::path ini = fs::path(dataDir) / MAIN_INI_FILE;
    if (!fs::exists(ini, error)) {
        bool copied = false;
        for (const std::string& source : MainIniTemplates(programDir)) {
            if (CopyAsNewFile(source, ini.string())) {
                copied = true;
                break;
            }
        }
        if (!copied) report.problems.push_back("No Main.ini copied into " + dataDir);
    }
    return report;
}

}  // namespace corvalin
