// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "GraphModuleLoader.h"
#include "JsonText.h"
#include "common/Messages.h"
#include "graph/GraphQuery.h"
#include "store/RangeText.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"

namespace corvalin::cli {

namespace {

// Large enough for a poster, small enough that the image fits in memory.
constexpr int MAX_IMAGE_SIDE = 10000;

struct GraphOptions {
    std::string from;
    std::string to;
    std::string quantity = "temperature";
    std::string out;
    std::string size = "1000x500";
    std::string unit;
};

// The endings the module draws: .png, .svg, .pdf in any letter case.
bool KnownImageType(const std::string& path) {
    std::string ending = std::filesystem::path(path).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending == ".png" || ending == ".svg" || ending == ".pdf";
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    try {
        size_t used = 0;
        width = std::stoi(text.substr(0, x), &used);
        if (used != x) return false;
        height = std::stoi(text.substr(x + 1), &used);
        if (used != text.size() - x - 1) return false;
    } catch (const std::exception&) {
        return false;
    }
    return width > 0 && height > 0 && width <= MAX_IMAGE_SIDE && height <= MAX_IMAGE_SIDE;
}

int Graph(CommandContext& context, const GraphOptions& options) {
    Console& console = context.console;
    const auto from = ParseLooseCivilText(options.from);
    const auto to = ParseLooseCivilText(options.to);
    for (const auto& [time, text] : {std::pair{from, options.from}, std::pair{to, options.to}}) {
        if (!time) {
            console.err << "Not a valid time: \"" << text << "\" (expected YYYY-MM-DD hh:mm:ss)\n";
            return EXIT_USAGE;
        }
    }
    int width = 0, height = 0;
    if (!ParseSize(options.size, width, height)) {
        console.err << "Not a valid size: \"" << options.size << "\" (expected WxH, 1 to "
                    << MAX_IMAGE_SIDE << " pixels each)\n";
        return EXIT_USAGE;
    }
    if (!KnownImageType(options.out)) {
        console.err << messages::UNKNOWN_IMAGE_TYPE << "\n";
        return EXIT_USAGE;
    }

    GraphSelection selection;
    selection.start = *from;
    selection.end = *to;
    selection.quantity =
        options.quantity == "humidity" ? GraphQuantity::Humidity : GraphQuantity::Temperature;
    selection.unitLabel = options.unit;
    RecordDatabase database;
    GraphResult graph = QueryGraph(database, RecordDatabasePath(DataDirectory(context)), selection);
    if (graph.outcome != GraphOutcome::Drawn) {
        console.err << graph.message << "\n";
        return EXIT_FAILED;
    }

    nlohmann::ordered_json points = nlohmann::ordered_json::object();
    for (const GraphSeries& line : graph.content.series) {
        if (line.visible) points[line.title.value_or("")] = line.times.size();
    }
    // Qt is loaded only now, with the module that draws.
    const Result<graph_module::WriteFunction> module = LoadGraphModule(GraphModulePath());
    if (!module) {
        console.err << module.error << "\n";
        return EXIT_FAILED;
    }
    std::string message;
    const graph_module::WriteRequest request{&graph.content, options.out.c_str(), width, height,
                                             &message};
    if (!(*module.value)(&request)) {
        console.err << message << "\n";
        return EXIT_FAILED;
    }
    if (context.flags.json) {
        const nlohmann::ordered_json report{{"image", options.out}, {"from", CivilText(*from)},
                                            {"to", CivilText(*to)}, {"width", width},
                                            {"height", height},     {"points", points}};
        console.out << JsonText(report, 2) << "\n";
    } else {
        console.out << "Wrote " << options.out << " (" << width << "x" << height << "):";
        const char* separator = " ";
        for (const auto& [name, count] : points.items()) {
            console.out << separator << count.get<size_t>() << " " << name;
            separator = ", ";
        }
        console.out << " points\n";
    }
    return EXIT_DONE;
}

}  // namespace

void AddGraphCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<GraphOptions>();
    CLI::App* command = app.add_subcommand(
        "graph",
        "Draw the record database's readings over a time range into an image file "
        "(.png, .svg or .pdf); needs no display");
    command
        ->add_option("--from", options->from,
                     "Start of the range, excluded: \"YYYY-MM-DD hh:mm:ss\"")
        ->required();
    command->add_option("--to", options->to, "End of the range, included: \"YYYY-MM-DD hh:mm:ss\"")
        ->required();
    command
        ->add_option("--quantity", options->quantity,
                     "temperature (with dew point and heat index) or humidity")
        ->transform(CLI::IsMember({"temperature", "humidity"}, CLI::ignore_case))
        ->default_str("temperature");
    command->add_option("--out", options->out, "The image file; its ending picks the format")
        ->required();
    command->add_option("--size", options->size, "Width x height in pixels (default 1000x500)");
    command->add_option("--unit", options->unit,
                        "Value-axis title of the temperature graph, e.g. \"(°C)\" (default: none, "
                        "as the window before any import)");
    command->callback([&context, options] {
        context.run = [&context, options] { return Graph(context, *options); };
    });
}

}  // namespace corvalin::cli
