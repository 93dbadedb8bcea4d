// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "CardCommands.h"
#include "JsonText.h"
#include "common/Text.h"
#include "history/FileList.h"

namespace corvalin::cli {

namespace {

int ListFiles(CommandContext& context, SdCardClient& card) {
    const std::vector<FileEntry> entries = card.listing().Entries();
    std::ostream& out = context.console.out;
    if (context.flags.json) {
        nlohmann::json files = nlohmann::json::array();
        for (const FileEntry& entry : entries) {
            files.push_back({{"name", CardNameText(entry.name)},
                             {"size", entry.size},
                             {"sizeText", FormatFileSize(entry.size)}});
        }
        out << JsonText(files, 2) << "\n";
        return EXIT_DONE;
    }
    std::vector<std::string> names;
    size_t width = 9;  // "File Name"
    for (const FileEntry& entry : entries) {
        names.push_back(Printable(CardNameText(entry.name)));
        width = std::max(width, CharacterCount(names.back()));
    }
    out << "File Name" << std::string(width - 9 + 2, ' ') << "Size\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        out << names[i] << std::string(width - CharacterCount(names[i]) + 2, ' ')
            << FormatFileSize(entries[i].size) << "\n";
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
