#include <nlohmann/json.hpp>
#include <ostream>

#include "CardCommands.h"
#include "history/FileList.h"

namespace corvalin::cli {

namespace {

int ListFiles(CommandContext& context, SdCardClient& card) {
    const std::vector<FileEntry> entries = card.listing().Entries();
    std::ostream& out = context.console.out;
    if (context.flags.json) {
        nlohmann::json files = nlohmann::json::array();
        for (const FileEntry& entry : entries) {
            files.push_back({{"name", entry.name},
                             {"size", entry.size},
                             {"sizeText", FormatFileSize(entry.size)}});
        }
        out << files.dump(2) << "\n";
        return EXIT_DONE;
    }
    size_t width = 9;  // "File Name"
    for (const FileEntry& entry : entries) width = std::max(width, entry.name.size());
    out << "File Name" << std::string(width - 9 + 2, ' ') << "Size\n";
    for (const FileEntry& entry : entries) {
        out << entry.name << std::string(width - entry.name.size() + 2, ' ')
            << FormatFileSize(entry.size) << "\n";
    }
    return EXIT_DONE;
}

}  // namespace

void AddFilesCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand("files", "The files on the station's SD card");
    command->callback([&context] {
        context.run = [&context] {
            return WithCard(context, [&](StationSession&, SdCardClient& card) {
                return ListFiles(context, card);
            });
        };
    });
}

}  // namespace corvalin::cli
