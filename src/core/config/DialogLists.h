// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace corvalin {

// The entries of the configuration dialogs' drop-down lists, in their order:
// the index of an entry is what travels to the station.

// A list with no entry selected: the station sent a value the list does not
// hold. Saving then sends the station's own value back unchanged.
constexpr int NO_SELECTION = -1;

// Setup.
inline constexpr std::array<const char*, 4> GRAPH_TYPE_ENTRIES = {"Temperature", "Humidity",
                                                                  "Dewpoint", "Heatindex"};
inline constexpr std::array<const char*, 4> GRAPH_SPAN_ENTRIES = {"12H", "24H", "48H", "72H"};
inline constexpr std::array<uint8_t, 4> GRAPH_SPAN_HOURS = {12, 24, 48, 72};
inline constexpr std::array<const char*, 3> TIME_FORMAT_ENTRIES = {"h:mm:ss", "AM h:mm:ss",
                                                                   "h:mm:ss AM"};
inline constexpr std::array<const char*, 3> DATE_FORMAT_ENTRIES = {"YYYY-MM-DD", "MM-DD-YYYY",
                                                                   "DD-MM-YYYY"};
inline constexpr std::array<const char*, 2> DST_ENTRIES = {"OFF", "ON"};
// Entry i is zone i - 12, without a plus sign.
inline constexpr std::array<const char*, 25> TIME_ZONE_ENTRIES = {
    "-12", "-11", "-10", "-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", "0",
    "1",   "2",   "3",   "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12"};
constexpr int TIME_ZONE_ENTRY_OFFSET = 12;
inline constexpr std::array<const char*, 2> UNIT_ENTRIES = {"°C", "°F"};
inline constexpr std::array<const char*, 5> AREA_ENTRIES = {"CH Area1", "CH Area2", "CH Area3",
                                                            "CH Area4", "CH Area5"};
// Row labels of the channel grid, in DisplayRow order.
inline constexpr std::array<const char*, 3> DISPLAY_ROW_LABELS = {"Temperature", "DewPoint",
                                                                  "HeatIndex"};

// Alarm: both switches.
inline constexpr std::array<const char*, 2> ALARM_SWITCH_ENTRIES = {"ON", "OFF"};

}  // namespace corvalin
