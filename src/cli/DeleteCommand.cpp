// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "CardCommands.h"
#include "JsonText.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "history/DeleteHistoryFile.h"
#include "store/RecordSchema.h"

namespace corvalin::cli {

namespace {

struct DeleteOptions {
    std::string name;
    bool yes = false;
};

int Delete(CommandContext& context, SdCardClient& card, const DeleteOptions& options) {
    Console& console = context.console;
    if (!card.listing().FindShown(options.name)) {
        console.err << "The SD card has no file \"" << Printable(AsUtf8(options.name)) << "\".\n";
        return EXIT_FAILED;
    }
    if (!options.yes) {
        if (!console.interactive) {
            console.err << "Deleting a card file needs confirmation: run it on a terminal or "
                           "add --yes.\n";
            return EXIT_FAILED;
        }
        if (!AskYesNo(console, messages::CONFIRM_DELETE, context.flags.json)) {
            if (context.flags.json) {
                console.out << JsonText(nlohmann::json{{"file", AsUtf8(options.name)},
                                                       {"deleted", false},
                                                       {"cancelled", true}})
                            << "\n";
            }
            return EXIT_DONE;
        }
    }
    Status deleted =
        DeleteHistoryFile(card, options.name, card.dataDir() + "/" + RECORD_DATABASE_FILE);
    if (!deleted) {
        console.err << deleted.message << "\n";
        return deleted.message == messages::UNCONNECTED ? EXIT_UNCONNECTED : EXIT_FAILED;
    }
    if (context.flags.json) {
        console.out << JsonText(nlohmann::json{{"file", AsUtf8(options.name)},
                                               {"deleted", true},
                                               {"localCopy",
                                                AsUtf8(card.dataDir() + "/" + options.name)},
                                               {"recordsEmptied", true}},
                                2)
                    << "\n";
    } else {
        console.out << "Deleted " << options.name << "\n";
    }
    return EXIT_DONE;
}

}  // namespace

void AddDeleteCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<DeleteOptions>();
    CLI::App* command = app.add_subcommand(
        "delete", "Delete a file on the card and its local copy; empties the record database");
    command->add_option("NAME", options->name, "The file's name as the card lists it")->required();
    command->add_flag("--yes", options->yes, "Do not ask for confirmation");
    command->callback([&context, options] {
        context.run = [&context, options] {
            return WithCard(context, [&](StationSession&, SdCardClient& card) {
                return Delete(context, card, *options);
            });
        };
    });
}

}  // namespace corvalin::cli
