// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alert/AlertRule.h"

namespace corvalin {

enum class AlertState { Firing, Cleared };

// A rule that fired or cleared, as every sink tells it.
struct AlertEvent {
    std::string rule;  // the rule's text
    AlertKind kind = AlertKind::Above;
    std::string station;
    int channel = 0;              // 1..8; 0 for the station and the archive
    std::string quantity;         // "temperature", ...; empty where the rule watches none
    std::optional<double> value;  // what was read, °C or % (rows waiting, when stalled)
    std::optional<double> limit;  // the limit crossed, °C or %
    AlertState state = AlertState::Firing;
    int64_t time = 0;  // UTC seconds

    bool operator==(const AlertEvent&) const = default;
};

// A rule firing now, for corvalin-cli service.
struct FiringAlert {
    std::string rule;
    AlertKind kind = AlertKind::Above;
    int channel = 0;
    std::string quantity;
    std::optional<double> value;
    std::optional<double> limit;
    int64_t since = 0;  // UTC seconds

    bool operator==(const FiringAlert&) const = default;
};

const char* StateName(AlertState state);  // "FIRING", "CLEARED"

// What goes to a sink at once: the events of one reading, a summary of the
// messages the rate limit held back, or a test.
struct AlertMessage {
    std::string station;
    std::vector<AlertEvent> events;  // of the reading, or those held back
    size_t heldBack = 0;             // > 0: a summary of that many messages
    bool test = false;
    int64_t time = 0;  // UTC seconds: when it was made
};

}  // namespace corvalin
