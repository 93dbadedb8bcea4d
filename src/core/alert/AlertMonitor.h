// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "alert/AlertEvent.h"
#include "alert/AlertRule.h"
#include "logger/ReadingSnapshot.h"

namespace corvalin {

// Watches the rules over the readings and the logger's state: each rule
// fires once when its condition has held long enough and clears once when
// it is over (past the clear value, for a limit), never again in between.
// Channel rules are judged on readings only, so a station that is away
// makes one "station lost", not one "silent" per channel. Times are UTC
// seconds; the caller keeps them in order. Not thread-safe.
class AlertMonitor {
public:
    AlertMonitor(std::string station, std::vector<AlertRule> rules);

    // New rules (a reload): those kept keep their state, the others are forgotten.
    void SetRules(std::vector<AlertRule> rules);

    // The events of one reading, in the order of the rules.
    std::vector<AlertEvent> OnReading(const ReadingSnapshot& reading);
    // The station's connection and the rows waiting for the archive, at
    // `now`; also fires what has become due by then.
    std::vector<AlertEvent> OnService(bool stationConnected, uint64_t rowsWaiting, int64_t now);
    // When OnService will next have something to fire, if the state stays.
    std::optional<int64_t> NextDeadline() const;

    std::vector<FiringAlert> Firing() const;
    const std::vector<AlertRule>& rules() const { return rules_; }

private:
    // One condition: a rule, for one channel and quantity where it covers several.
    struct Watch {
        bool firing = false;
        std::optional<int64_t> since;  // when the condition began (pending or firing)
        FiringAlert shown;             // what was told when it fired
    };
    using Key = std::tuple<std::string, int, std::string>;

    void ThresholdRule(const AlertRule& rule, const ReadingSnapshot& reading,
                       std::vector<AlertEvent>& events);
    void SilentRule(const AlertRule& rule, const ReadingSnapshot& reading,
                    std::vector<AlertEvent>& events);
    void StationAlarmsRule(const AlertRule& rule, const ReadingSnapshot& reading,
                           std::vector<AlertEvent>& events);
    // Fires once `since` is `seconds` old while `holds`; clears when it stops.
    void Timed(const AlertRule& rule, bool holds, std::optional<double> value, int64_t now,
               std::vector<AlertEvent>& events);
    void Fire(Watch& watch, const AlertRule& rule, const FiringAlert& what, int64_t time,
              std::vector<AlertEvent>& events);
    void Clear(Watch& watch, const AlertRule& rule, std::optional<double> value, int64_t time,
               std::vector<AlertEvent>& events);

    std::string station_;
    std::vector<AlertRule> rules_;
    std::map<Key, Watch> watches_;
    // A channel's last value, and since when the station has been back:
    // silence is counted from the later of the two.
    std::map<int, int64_t> lastValue_;
    std::optional<int64_t> watchingSince_;
    bool connected_ = false;
};

}  // namespace corvalin
