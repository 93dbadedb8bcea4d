// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>

#include "CardCommands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "ProgressBar.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "history/ImportHistoryFile.h"
#include "store/RecordSchema.h"

namespace corvalin::cli {

namespace {

struct DownloadOptions {
    std::string name;
    bool noImport = false;
};

int Download(CommandContext& context, StationSession& session, SdCardClient& card,
             const DownloadOptions& options) {
    Console& console = context.console;
    // On stderr, and only when it is a terminal: stdout stays the result.
    ProgressBar bar(console.Side());
    DownloadCallbacks callbacks;
    if (console.progress) {
        callbacks.progress = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total); };
    }
    callbacks.stop = [&console] { return console.Interruption() != 0; };
    const DownloadResult result = card.Download(options.name, callbacks);
    bar.Finish();
    if (!result.ok) {
        console.err << ExplainedForTheTerminal(result.message) << "\n";
        if (result.stopped) return ExitForSignal(console.Interruption());
        return session.StillConnected() ? EXIT_FAILED : EXIT_UNCONNECTED;
    }

    nlohmann::json report{{"file", AsUtf8(options.name)},
                          {"localCopy", AsUtf8(result.localPath)},
                          {"bytesFetched", result.bytesFetched},
                          {"resumedFrom", result.resumedFrom},
                          {"seconds", result.seconds}};
    if (!context.flags.json) {
        console.out << messages::DOWNLOAD_DONE << " fetched " << result.bytesFetched << " bytes in "
                    << result.seconds << " s (" << RateText(result.bytesFetched, result.seconds)
                    << ")";
        if (result.resumedFrom > 0) console.out << " after the " << result.resumedFrom << " held";
        console.out << "\n";
    }
    int status = EXIT_DONE;
    if (!options.noImport) {
        // Dates such as 05-03-2024 are read the station's way, as the window does.
        session.ReadStation();
        ImportOptions importOptions;
        importOptions.dateOrder = session.LogDateOrder();
        importOptions.stop = [&console] { return console.Interruption() != 0; };
        const ImportResult imported =
            ImportHistoryFile(result.localPath, options.name,
                              card.dataDir() + "/" + RECORD_DATABASE_FILE, {}, importOptions);
        if (imported.stopped) {
            for (const std::string& error : imported.errors) console.err << error << "\n";
            return ExitForSignal(console.Interruption());
        }
        for (const std::string& error : imported.errors) {
            console.err << ExplainedForTheTerminal(error) << "\n";
        }
        if (!imported.fileRead || !imported.stored) status = EXIT_FAILED;
        report["rowsStored"] = imported.rowsStored;
        report["rowsSkipped"] = imported.rowsSkipped;
        report["unit"] = imported.unitText;
        if (!context.flags.json && imported.stored) {
            console.out << "Imported " << imported.rowsStored << " readings " << imported.unitText;
            if (imported.rowsSkipped > 0) console.out << ", " << imported.rowsSkipped << " skipped";
            console.out << "\n";
        }
    }
    if (context.flags.json) console.out << JsonText(report, 2) << "\n";
    return status;
}

}  // namespace

void AddDownloadCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<DownloadOptions>();
    CLI::App* command = app.add_subcommand(
        "download",
        "Fetch a card file into the data folder (only what the local copy lacks) "
        "and import it into the record database");
    command->add_option("NAME", options->name, "The file's name as the card lists it")->required();
    command->add_flag("--no-import", options->noImport, "Only fetch the file");
    command->callback([&context, options] {
        context.run = [&context, options] {
            return WithCard(context, [&](StationSession& session, SdCardClient& card) {
                return Download(context, session, card, *options);
            });
        };
    });
}

}  // namespace corvalin::cli
