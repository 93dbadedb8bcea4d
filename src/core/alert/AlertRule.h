// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace corvalin {

// What a rule watches.
enum class AlertKind {
    Above,           // chN.QUANTITY above VALUE
    Below,           // chN.QUANTITY below VALUE
    Silent,          // chN silent DURATION: no value from the channel
    StationLost,     // station lost DURATION
    ArchiveStalled,  // archive stalled DURATION: rows wait for a writable archive
    StationAlarms,   // station-alarms: the station's own alarm state per channel
};

// The values a rule can watch, in °C and %.
enum class AlertQuantity { Temperature, Humidity, DewPoint, HeatIndex };

// One alert rule, as typed after --alert or "alert =".
struct AlertRule {
    AlertKind kind = AlertKind::Above;
    int channel = 0;  // 1..8 for the channel rules, else 0
    AlertQuantity quantity = AlertQuantity::Temperature;
    double limit = 0.0;
    double clear = 0.0;   // where a firing Above/Below rule clears
    int64_t seconds = 0;  // "for", silent, lost and stalled durations
    std::string text;     // the rule written the one way, e.g. "ch1.temperature above 30"

    bool operator==(const AlertRule&) const = default;
};

// "ch1.temperature above 30 for 10m clear 29" and the rest of the grammar;
// the error names the rule and the word that is wrong.
Result<AlertRule> ParseAlertRule(std::string_view text);
// Every rule, or the first error.
Result<std::vector<AlertRule>> ParseAlertRules(const std::vector<std::string>& texts);

// "temperature", "humidity", "dewPoint", "heatIndex": in rules and messages.
const char* QuantityName(AlertQuantity quantity);
// "90s", "10m", "2h": the largest unit that says it exactly.
std::string DurationText(int64_t seconds);
// A rule's name in identifiers (MQTT topics and ids): letters, digits and _.
std::string RuleId(const AlertRule& rule);

}  // namespace corvalin
