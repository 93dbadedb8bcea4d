#include "app/DataFolder.h"

#include <cstdlib>
#include <filesystem>

#include "store/RecordSchema.h"

namespace corvalin {

namespace fs = std::filesystem;

std::string DefaultDataDirectory() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome != '\0') return std::string(dataHome) + "/KV7500";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/KV7500";
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
            if (!fs::exists(source, error)) continue;
            copied = fs::copy_file(source, ini, fs::copy_options::skip_existing, error);
            if (copied) break;
        }
        if (!copied) report.problems.push_back("No Main.ini copied into " + dataDir);
    }
    if (fs::exists(ini, error)) {
        // An installed template may be read-only; the copy must not be.
        fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        error);
    }
    return report;
}

}  // namespace corvalin
