// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SettingsForm.h"

namespace corvalin {

namespace {

// The entry index of a station value, or NO_SELECTION.
int Selection(int value, size_t entryCount) {
    return value >= 0 && value < static_cast<int>(entryCount) ? value : NO_SELECTION;
}

// The station value of a selection; the loaded value when nothing is selected.
template <class T>
T ValueOf(int selection, size_t entryCount, T loaded) {
    if (selection < 0 || selection >= static_cast<int>(entryCount)) return loaded;
    return static_cast<T>(selection);
}

int GraphSpanSelection(uint8_t hours) {
    for (size_t i = 0; i + 1 < GRAPH_SPAN_HOURS.size(); ++i) {
        if (hours == GRAPH_SPAN_HOURS[i]) return static_cast<int>(i);
    }
    return static_cast<int>(GRAPH_SPAN_HOURS.size()) - 1;  // any other value means 72 hours
}

}  // namespace

void SettingsForm::Fill(const Report& settingsCopy, int32_t intervalCopy, bool connected) {
    areas.BeginFilling();
    if (connected) {
        loaded_ = DecodeSettingsAnswer(settingsCopy);
        graphType = Selection(loaded_.graphType, GRAPH_TYPE_ENTRIES.size());
        graphSpan = GraphSpanSelection(loaded_.graphSpanHours);
        timeFormat = Selection(loaded_.timeFormat, TIME_FORMAT_ENTRIES.size());
        dateFormat = Selection(loaded_.dateFormat, DATE_FORMAT_ENTRIES.size());
        dst = Selection(loaded_.dst, DST_ENTRIES.size());
        timeZone = Selection(loaded_.timeZone + TIME_ZONE_ENTRY_OFFSET, TIME_ZONE_ENTRIES.size());
        unit = Selection(loaded_.unit, UNIT_ENTRIES.size());
        areas.Load(loaded_.masks);
        intervalText = std::to_string(intervalCopy);
        saveEnabled = true;
    } else {
        graphType = graphSpan = timeFormat = dateFormat = dst = timeZone = unit = 0;
        intervalText =
            std::string("5");  // a temporary: GCC 12 warns falsely on assigning a literal
        saveEnabled = false;
    }
    areas.ChangeArea(0);
    areas.EndFilling();
}

StationSettings SettingsForm::Settings() const {
    StationSettings settings;
    settings.graphType = ValueOf(graphType, GRAPH_TYPE_ENTRIES.size(), loaded_.graphType);
    settings.graphSpanHours =
        graphSpan >= 0 && graphSpan < static_cast<int>(GRAPH_SPAN_HOURS.size())
            ? GRAPH_SPAN_HOURS[graphSpan]
            : loaded_.graphSpanHours;
    settings.timeFormat = ValueOf(timeFormat, TIME_FORMAT_ENTRIES.size(), loaded_.timeFormat);
    settings.dateFormat = ValueOf(dateFormat, DATE_FORMAT_ENTRIES.size(), loaded_.dateFormat);
    settings.dst = ValueOf(dst, DST_ENTRIES.size(), loaded_.dst);
    settings.timeZone = timeZone >= 0 && timeZone < static_cast<int>(TIME_ZONE_ENTRIES.size())
                            ? static_cast<int8_t>(timeZone - TIME_ZONE_ENTRY_OFFSET)
                            : loaded_.timeZone;
    settings.unit = ValueOf(unit, UNIT_ENTRIES.size(), loaded_.unit);
    settings.masks = areas.MasksForSave();
    return settings;
}

std::vector<CommandFrame> SettingsForm::BuildFrames() const {
    return {MakeSettingsFrame(Settings()), MakeCommandFrame(CMD_COMMIT)};
}

}  // namespace corvalin
