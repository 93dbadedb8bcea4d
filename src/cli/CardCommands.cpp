#include "CardCommands.h"

#include <filesystem>
#include <ostream>

#include "app/DataFolder.h"

namespace corvalin::cli {

std::string DataDirectory(const CommandContext& context) {
    return context.dataDir.empty() ? DefaultDataDirectory() : context.dataDir;
}

int WithCard(CommandContext& context, const std::function<int(SdCardClient&)>& work) {
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
    SdCardClient card(*session, dataDir);
    card.RequestFileList();
    return work(card);
}

}  // namespace corvalin::cli
