// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "FormCommand.h"
#include "JsonText.h"
#include "common/NumberText.h"
#include "config/DialogLists.h"
#include "config/SettingsForm.h"

namespace corvalin::cli {

namespace {

// Key names of the display rows, in DisplayRow order.
constexpr std::array<const char*, 3> ROW_KEYS = {"temperature", "dewpoint", "heatindex"};
constexpr std::array<const char*, 3> ROW_JSON_KEYS = {"temperature", "dewPoint", "heatIndex"};
constexpr const char* SETTINGS_KEYS =
    "graph-type, graph-span, time-format, date-format, dst, time-zone, unit, areaN, "
    "areaN.temperature, areaN.dewpoint, areaN.heatindex with N = 1 to 5";
constexpr std::array<const char*, 2> UNIT_LETTERS = {"C", "F"};

using SettingsEdit = FormEdit<SettingsForm>;

// The tool edits the station's mask words whole: no area is "shown", so bits
// 24 to 31 survive.
void KeepWholeMasks(SettingsForm& form) { form.areas.Load(form.Loaded().masks); }

SettingsEdit MaskEdit(int area, std::string key, std::function<uint32_t(uint32_t)> change) {
    return [area, key = std::move(key),
            change = std::move(change)](SettingsForm& form) -> std::optional<std::string> {
        AreaMasks masks;
        for (int a = 0; a < AREA_COUNT; ++a) masks[a] = form.areas.Mask(a);
        const uint32_t changed = change(masks[area]);
        // What the Setup dialog cannot do, the tool does not either.
        if (!AreaMaskState::MayChange(area, masks[area], changed)) {
            return key + (area == 0 ? ": in CH Area1 only CH1 can be changed, as in the Setup "
                                      "dialog"
                                    : ": bits 24 to 31 belong to no channel and keep the "
                                      "station's values, as in the Setup dialog");
        }
        masks[area] = changed;
        form.areas.Load(masks);
        return std::nullopt;
    };
}

Result<SettingsEdit> ListEdit(const Assignment& assignment, std::span<const char* const> entries,
                              int SettingsForm::*field) {
    Result<int> choice = ChoiceValue(assignment, entries);
    if (!choice) return Result<SettingsEdit>::Fail(choice.error);
    return Result<SettingsEdit>::Of(
        [field, index = *choice](SettingsForm& form) -> std::optional<std::string> {
            form.*field = index;
            return std::nullopt;
        });
}

Result<SettingsEdit> AreaEdit(const Assignment& assignment, const IndexedKey& area) {
    const int at = area.index - 1;
    if (area.name.empty()) {
        Result<uint32_t> word = HexWordValue(assignment);
        if (!word) return Result<SettingsEdit>::Fail(word.error);
        return Result<SettingsEdit>::Of(
            MaskEdit(at, assignment.key, [word = *word](uint32_t) { return word; }));
    }
    for (size_t r = 0; r < ROW_KEYS.size(); ++r) {
        if (area.name != ROW_KEYS[r]) continue;
        Result<std::vector<int>> channels = ChannelListValue(assignment);
        if (!channels) return Result<SettingsEdit>::Fail(channels.error);
        return Result<SettingsEdit>::Of(MaskEdit(
            at, assignment.key, [row = DISPLAY_ROWS[r], channels = *channels](uint32_t mask) {
                return WithRowChannels(mask, row, channels);
            }));
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
                                            SettingsForm& form) -> std::optional<std::string> {
            form.timeZone = entry;
            return std::nullopt;
        });
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

void PrintSettings(const SettingsForm& form, const OutputFlags& flags, Console& console) {
    const std::string interval = form.intervalText;
    const StationSettings& station = form.Loaded();
    if (flags.json) {
        nlohmann::json areas = nlohmann::json::array();
        for (int a = 0; a < AREA_COUNT; ++a) {
            nlohmann::json area{{"area", a + 1}, {"mask", HexWord(station.masks[a])}};
            for (size_t r = 0; r < ROW_KEYS.size(); ++r) {
                area[ROW_JSON_KEYS[r]] = RowChannels(station.masks[a], DISPLAY_ROWS[r]);
            }
            areas.push_back(area);
        }
        nlohmann::json result{
            {"graphType", EntryJson(form.graphType, GRAPH_TYPE_ENTRIES)},
            {"graphSpan", EntryJson(form.graphSpan, GRAPH_SPAN_ENTRIES)},
            {"timeFormat", EntryJson(form.timeFormat, TIME_FORMAT_ENTRIES)},
            {"dateFormat", EntryJson(form.dateFormat, DATE_FORMAT_ENTRIES)},
            {"dst", EntryJson(form.dst, DST_ENTRIES)},
            {"timeZone", form.timeZone == NO_SELECTION
                             ? nlohmann::json(nullptr)
                             : nlohmann::json(form.timeZone - TIME_ZONE_ENTRY_OFFSET)},
            {"unit", EntryJson(form.unit, UNIT_ENTRIES)},
            {"areas", areas},
            {"intervalMinutes", ReadLeadingInteger(interval)}};
        console.out << JsonText(result, 2) << "\n";
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
    line("interval", interval + " Minute");
}

}  // namespace

void AddSettingsCommand(CLI::App& app, CommandContext& context) {
    AddFormCommand<SettingsForm>(
        app, context,
        {"settings", "The station's display and clock settings, display areas and logging interval",
         "Change settings; what is not named keeps the station's current value", SETTINGS_KEYS,
         ParseSettingsEdit, PrintSettings, KeepWholeMasks});
}

}  // namespace corvalin::cli
