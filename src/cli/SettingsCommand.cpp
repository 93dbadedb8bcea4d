#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Commands.h"
#include "ConfigCommandSupport.h"
#include "KeyValueArgs.h"
#include "config/DialogLists.h"
#include "config/SettingsForm.h"

namespace corvalin::cli {

namespace {

// Key names of the display rows, in DisplayRow order.
constexpr std::array<const char*, 3> ROW_KEYS = {"temperature", "dewpoint", "heatindex"};
constexpr const char* SETTINGS_KEYS =
    "graph-type, graph-span, time-format, date-format, dst, time-zone, unit, areaN, "
    "areaN.temperature, areaN.dewpoint, areaN.heatindex with N = 1 to 5";
constexpr std::array<const char*, 2> UNIT_LETTERS = {"C", "F"};

// What an assignment changes: the form, or the station's mask words, which
// the tool edits whole (no area is "shown", so bits 24 to 31 survive).
struct SettingsEdits {
    SettingsForm& form;
    AreaMasks& masks;
};
using SettingsEdit = std::function<void(SettingsEdits&)>;

Result<SettingsEdit> ListEdit(const Assignment& assignment, std::span<const char* const> entries,
                              int SettingsForm::*field) {
    Result<int> choice = ChoiceValue(assignment, entries);
    if (!choice) return Result<SettingsEdit>::Fail(choice.error);
    return Result<SettingsEdit>::Of(
        [field, index = *choice](SettingsEdits& edits) { edits.form.*field = index; });
}

Result<SettingsEdit> AreaEdit(const Assignment& assignment, const IndexedKey& area) {
    const int at = area.index - 1;
    if (area.name.empty()) {
        Result<uint32_t> word = HexWordValue(assignment);
        if (!word) return Result<SettingsEdit>::Fail(word.error);
        return Result<SettingsEdit>::Of(
            [at, word = *word](SettingsEdits& edits) { edits.masks[at] = word; });
    }
    for (size_t r = 0; r < ROW_KEYS.size(); ++r) {
        if (area.name != ROW_KEYS[r]) continue;
        Result<std::vector<int>> channels = ChannelListValue(assignment);
        if (!channels) return Result<SettingsEdit>::Fail(channels.error);
        return Result<SettingsEdit>::Of(
            [at, row = DISPLAY_ROWS[r], channels = *channels](SettingsEdits& edits) {
                edits.masks[at] = WithRowChannels(edits.masks[at], row, channels);
            });
    }
    return Result<SettingsEdit>::Fail("unknown key \"" + assignment.key +
                                      "\" (accepted: " + SETTINGS_KEYS + ")");
}

Result<SettingsEdit> ParseSettingsEdit(const Assignment& assignment) {
    const std::string& key = assignment.key;
    if (key == "graph-type")
        return ListEdit(assignment, GRAPH_TYPE_ENTRIES, &SettingsForm::graphType);
    if (key == "graph-span")
        return ListEdit(assignment, GRAPH_SPAN_ENTRIES, &SettingsForm::graphSpan);
    if (key == "time-format") {
        return ListEdit(assignment, TIME_FORMAT_ENTRIES, &SettingsForm::timeFormat);
    }
    if (key == "date-format") {
        return ListEdit(assignment, DATE_FORMAT_ENTRIES, &SettingsForm::dateFormat);
    }
    if (key == "dst") return ListEdit(assignment, DST_ENTRIES, &SettingsForm::dst);
    if (key == "unit") {
        // "C" and "F" as well as the list's own "°C" and "°F".
        if (ChoiceValue(assignment, UNIT_ENTRIES)) {
            return ListEdit(assignment, UNIT_ENTRIES, &SettingsForm::unit);
        }
        return ListEdit(assignment, UNIT_LETTERS, &SettingsForm::unit);
    }
    if (key == "time-zone") {
        const int lowest = -TIME_ZONE_ENTRY_OFFSET;
        const int highest = static_cast<int>(TIME_ZONE_ENTRIES.size()) - 1 - TIME_ZONE_ENTRY_OFFSET;
        Result<int> zone = IntegerValue(assignment, lowest, highest);
        if (!zone) return Result<SettingsEdit>::Fail(zone.error);
        return Result<SettingsEdit>::Of([entry = *zone + TIME_ZONE_ENTRY_OFFSET](
                                            SettingsEdits& edits) { edits.form.timeZone = entry; });
    }
    if (std::optional<IndexedKey> area = SplitIndexedKey(key, "area", AREA_COUNT)) {
        return AreaEdit(assignment, *area);
    }
    return Result<SettingsEdit>::Fail("unknown key \"" + key + "\" (accepted: " + SETTINGS_KEYS +
                                      ")");
}

// The list entry of a selection, or the station's raw value when no entry holds it.
std::string EntryText(int selection, std::span<const char* const> entries, int stationValue) {
    if (selection >= 0 && selection < static_cast<int>(entries.size())) return entries[selection];
    return "unknown value " + std::to_string(stationValue);
}

nlohmann::json EntryJson(int selection, std::span<const char* const> entries) {
    if (selection >= 0 && selection < static_cast<int>(entries.size())) return entries[selection];
    return nullptr;
}

std::string HexWord(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", word);
    return text;
}

void PrintSettings(const SettingsForm& form, int32_t interval, const OutputFlags& flags,
                   Console& console) {
    const StationSettings& station = form.Loaded();
    if (flags.json) {
        nlohmann::json areas = nlohmann::json::array();
        for (int a = 0; a < AREA_COUNT; ++a) {
            nlohmann::json area{{"area", a + 1}, {"mask", HexWord(station.masks[a])}};
            for (size_t r = 0; r < ROW_KEYS.size(); ++r) {
                area[ROW_KEYS[r]] = RowChannels(station.masks[a], DISPLAY_ROWS[r]);
            }
            areas.push_back(area);
        }
        nlohmann::json result{
            {"graph-type", EntryJson(form.graphType, GRAPH_TYPE_ENTRIES)},
            {"graph-span", EntryJson(form.graphSpan, GRAPH_SPAN_ENTRIES)},
            {"time-format", EntryJson(form.timeFormat, TIME_FORMAT_ENTRIES)},
            {"date-format", EntryJson(form.dateFormat, DATE_FORMAT_ENTRIES)},
            {"dst", EntryJson(form.dst, DST_ENTRIES)},
            {"time-zone", form.timeZone == NO_SELECTION
                              ? nlohmann::json(nullptr)
                              : nlohmann::json(form.timeZone - TIME_ZONE_ENTRY_OFFSET)},
            {"unit", EntryJson(form.unit, UNIT_ENTRIES)},
            {"areas", areas},
            {"intervalMinutes", interval}};
        console.out << result.dump(2) << "\n";
        return;
    }
    constexpr size_t width = 19;
    auto line = [&](const std::string& key, const std::string& value) {
        console.out << PadRight(key, width) << " " << value << "\n";
    };
    line("graph-type", EntryText(form.graphType, GRAPH_TYPE_ENTRIES, station.graphType));
    line("graph-span", EntryText(form.graphSpan, GRAPH_SPAN_ENTRIES, station.graphSpanHours));
    line("time-format", EntryText(form.timeFormat, TIME_FORMAT_ENTRIES, station.timeFormat));
    line("date-format", EntryText(form.dateFormat, DATE_FORMAT_ENTRIES, station.dateFormat));
    line("dst", EntryText(form.dst, DST_ENTRIES, station.dst));
    line("time-zone", EntryText(form.timeZone, TIME_ZONE_ENTRIES, station.timeZone));
    line("unit", EntryText(form.unit, UNIT_ENTRIES, station.unit));
    for (int a = 0; a < AREA_COUNT; ++a) {
        const std::string area = "area" + std::to_string(a + 1);
        line(area, HexWord(station.masks[a]) + "  (" + AREA_ENTRIES[a] + ")");
        for (size_t r = 0; r < ROW_KEYS.size(); ++r) {
            line(area + "." + ROW_KEYS[r],
                 ChannelListText(RowChannels(station.masks[a], DISPLAY_ROWS[r])));
        }
    }
    line("interval", std::to_string(interval) + " Minute");
}

int RunSettingsShow(const CommandContext& context) {
    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    SettingsCopies& copies = session->copies().settings;
    SettingsForm form;
    form.Fill(copies.settingsCopy.Get(), copies.intervalCopy, session->link().connected == 1);
    PrintSettings(form, copies.intervalCopy, context.flags, context.console);
    return EXIT_DONE;
}

int RunSettingsSet(const CommandContext& context, const std::vector<std::string>& words) {
    Result<std::vector<Assignment>> assignments = ParseAssignments(words);
    if (!assignments) return UsageError(assignments.error, context.console);
    std::vector<SettingsEdit> edits;
    for (const Assignment& assignment : *assignments) {
        Result<SettingsEdit> edit = ParseSettingsEdit(assignment);
        if (!edit) return UsageError(edit.error, context.console);
        edits.push_back(*edit);
    }

    std::unique_ptr<StationSession> session;
    const int opened = OpenAndReadStation(context, session);
    if (opened != EXIT_DONE) return opened;
    SettingsCopies& copies = session->copies().settings;
    SettingsForm form;
    form.Fill(copies.settingsCopy.Get(), copies.intervalCopy, session->link().connected == 1);
    AreaMasks masks = form.Loaded().masks;
    SettingsEdits target{form, masks};
    for (const SettingsEdit& edit : edits) edit(target);
    form.areas.Load(masks);
    return ReportSave(SaveForm(form, session->link(), copies.notOnMainScreen), context.console);
}

}  // namespace

void AddSettingsCommand(CLI::App& app, CommandContext& context) {
    auto words = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand(
        "settings", "The station's display and clock settings, display areas and logging interval");
    command->require_subcommand(0, 1);
    CLI::App* set = command->add_subcommand(
        "set", "Change settings; what is not named keeps the station's current value");
    set->add_option("KEY=VALUE", *words, std::string("Keys: ") + SETTINGS_KEYS)->required();
    command->callback([&context, words, set] {
        if (set->parsed()) {
            context.run = [&context, words] { return RunSettingsSet(context, *words); };
        } else {
            context.run = [&context] { return RunSettingsShow(context); };
        }
    });
}

}  // namespace corvalin::cli
