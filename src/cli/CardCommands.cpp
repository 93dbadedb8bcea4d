// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardCommands.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <ostream>

#include "ConfigCommandSupport.h"
#include "app/DataFolder.h"
#include "common/DataFiles.h"
#include "common/Messages.h"

namespace corvalin::cli {

std::string DataDirectory(const CommandContext& context) {
    return context.dataDir.empty() ? DefaultDataDirectory() : context.dataDir;
}

std::string LoggerFolder(const CommandContext& context, const std::string& file) {
    const std::string user = DataDirectory(context);
    if (!context.dataDir.empty()) return user;
    struct stat info {};
    if (stat((user + "/" + file).c_str(), &info) == 0) return user;
    const std::string system = SYSTEM_LOGGER_FOLDER;
    const bool there = stat((system + "/" + file).c_str(), &info) == 0 || errno == EACCES;
    return there ? system : user;
}

int WithCard(CommandContext& context,
             const std::function<int(StationSession&, SdCardClient&)>& work) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenStation(context.station, context.flags, context.console, session);
    if (opened != EXIT_DONE) return opened;

    const std::string dataDir = DataDirectory(context);
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    if (error) {
        context.console.err << "Cannot create the data folder " << dataDir << ": "
                            << error.message() << "\n";
        return EXIT_FAILED;
    }
    std::unique_ptr<SdCardClient> card = session->OpenCard(dataDir);
    card->RequestFileList();
    // Part of the card is not the card.
    if (!session->StillConnected()) return Unconnected(context.console);
    if (!card->ListComplete()) {
        context.console.err << messages::NO_ANSWER << "\n";
        return EXIT_FAILED;
    }
    return work(*session, *card);
}

}  // namespace corvalin::cli
