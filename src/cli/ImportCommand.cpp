// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "JsonText.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "history/CardFileNames.h"
#include "history/ImportHistoryFile.h"
#include "store/RecordSchema.h"

namespace corvalin::cli {

namespace {

struct ImportOptionsGiven {
    std::string name;  // a local copy in the data folder
    std::string file;  // any log file
    std::string dateOrder = "month-first";
};

// Lines stored so far on one line of the terminal, redrawn a few times a second.
class ImportProgressLine {
public:
    explicit ImportProgressLine(std::ostream& out) : out_(out) {}
    ~ImportProgressLine() {
        if (drawn_) out_ << "\n" << std::flush;
    }
    void Update(ImportPhase phase, uint64_t done, uint64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (drawn_ && done < total && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
        lastDrawn_ = now;
        drawn_ = true;
        out_ << "\r" << (phase == ImportPhase::Reading ? "Reading" : "Storing")
             << " lines: " << done << " / " << total << "   " << std::flush;
    }

private:
    std::ostream& out_;
    std::chrono::steady_clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

nlohmann::json ColumnTitles(const ImportResult& result) {
    nlohmann::json titles = nlohmann::json::array();
    for (const HistoryColumn& column : result.Columns()) titles.push_back(column.title);
    return titles;
}

int RunImport(CommandContext& context, const ImportOptionsGiven& given) {
    Console& console = context.console;
    const std::string dataDir = DataDirectory(context);
    std::string localPath = given.file;
    std::string fileName = std::filesystem::path(given.file).filename().string();
    if (given.file.empty()) {
        const Status name = CheckLocalFileName(given.name);
        if (!name) {
            console.err << name.message << "\n";
            return EXIT_FAILED;
        }
        localPath = dataDir + "/" + given.name;
        fileName = given.name;
    }
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    if (error) {
        console.err << "Cannot create the data folder " << dataDir << ": " << error.message()
                    << "\n";
        return EXIT_FAILED;
    }

    ImportOptions options;
    options.dateOrder =
        given.dateOrder == "day-first" ? DateOrder::DayFirst : DateOrder::MonthFirst;
    options.stop = [&console] { return console.Interruption() != 0; };
    // Any file may be named: one that is no log must not empty the database.
    // A local copy is the card's own log and imports as the window imports it.
    options.requireReading = !given.file.empty();
    ImportResult result;
    {
        // On stderr, and only when it is a terminal.
        ImportProgressLine progress(console.Side());
        ImportProgress report;
        if (console.progress) {
            report = [&progress](ImportPhase phase, uint64_t done, uint64_t total) {
                progress.Update(phase, done, total);
            };
        }
        result =
            ImportHistoryFile(localPath, fileName, RecordDatabasePath(dataDir), report, options);
    }
    for (const std::string& message : result.errors) {
        console.err << ExplainedForTheTerminal(message) << "\n";
    }
    if (result.stopped) return ExitForSignal(console.Interruption());

    if (context.flags.json) {
        console.out << JsonText(nlohmann::json{{"file", AsUtf8(fileName)},
                                               {"localCopy", AsUtf8(localPath)},
                                               {"read", result.fileRead},
                                               {"stored", result.stored},
                                               {"indoor", result.indoorFile},
                                               {"unit", result.unitText},
                                               {"columns", ColumnTitles(result)},
                                               {"lines", result.table.RowCount()},
                                               {"rowsStored", result.rowsStored},
                                               {"rowsSkipped", result.rowsSkipped},
                                               {"errors", result.errors}})
                    << "\n";
    } else if (result.stored) {
        console.out << "Imported " << result.rowsStored << " readings " << result.unitText;
        if (result.rowsSkipped > 0) console.out << ", " << result.rowsSkipped << " skipped";
        console.out << " from " << (result.indoorFile ? "the indoor file " : "the channel file ")
                    << Printable(AsUtf8(fileName)) << "\n";
    }
    return result.fileRead && result.stored ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandContext& context) {
    auto given = std::make_shared<ImportOptionsGiven>();
    CLI::App* command =
        app.add_subcommand("import",
                           "Load a log file into the record database, replacing its readings; "
                           "a name containing \"IN\" is an indoor log");
    CLI::Option* name =
        command->add_option("NAME", given->name, "A card file's local copy in the data folder");
    CLI::Option* file =
        command->add_option("--file", given->file,
                            "Any log file in the station's format (refused when no line is a "
                            "reading)");
    name->excludes(file);
    command
        ->add_option("--date-order", given->dateOrder,
                     "How dates like 03-05-2024 are read (the station's date format)")
        ->check(CLI::IsMember({"month-first", "day-first"}))
        ->capture_default_str();
    command->callback([&context, given, name, file] {
        if (name->count() + file->count() == 0) {
            throw CLI::RequiredError("NAME or --file");
        }
        context.run = [&context, given] { return RunImport(context, *given); };
    });
}

}  // namespace corvalin::cli
