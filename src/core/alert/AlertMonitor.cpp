// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/AlertMonitor.h"

#include <algorithm>

#include "logger/StationAlarmCheck.h"

namespace corvalin {

namespace {

const ArchiveRow* RowOf(const ReadingSnapshot& reading, int channel) {
    for (const ArchiveRow& row : reading.rows) {
        if (row.channel == channel) return &row;
    }
    return nullptr;
}

std::optional<double> ValueOf(const ArchiveRow& row, AlertQuantity quantity) {
    switch (quantity) {
        case AlertQuantity::Temperature:
            return row.temperature;
        case AlertQuantity::Humidity:
            return row.humidity;
        case AlertQuantity::DewPoint:
            return row.dewPoint;
        case AlertQuantity::HeatIndex:
            return row.heatIndex;
    }
    return std::nullopt;
}

}  // namespace

const char* StateName(AlertState state) {
    return state == AlertState::Firing ? "FIRING" : "CLEARED";
}

AlertMonitor::AlertMonitor(std::string station, std::vector<AlertRule> rules)
    : station_(std::move(station)), rules_(std::move(rules)) {}

void AlertMonitor::SetRules(std::vector<AlertRule> rules) {
    rules_ = std::move(rules);
    std::erase_if(watches_, [this](const auto& entry) {
        const std::string& text = std::get<0>(entry.first);
        return std::none_of(rules_.begin(), rules_.end(),
                            [&](const AlertRule& rule) { return rule.text == text; });
    });
}

std::vector<AlertEvent> AlertMonitor::OnReading(const ReadingSnapshot& reading) {
    std::vector<AlertEvent> events;
    // An answer is the station's presence.
    if (!connected_) {
        connected_ = true;
        watchingSince_ = reading.time;
    }
    for (const AlertRule& rule : rules_) {
        switch (rule.kind) {
            case AlertKind::Above:
            case AlertKind::Below:
                ThresholdRule(rule, reading, events);
                break;
            case AlertKind::Silent:
                SilentRule(rule, reading, events);
                break;
            case AlertKind::StationAlarms:
                StationAlarmsRule(rule, reading, events);
                break;
            case AlertKind::StationLost:
                Timed(rule, false, std::nullopt, reading.time, events);
                break;
            case AlertKind::ArchiveStalled:
                break;
        }
    }
    for (const ArchiveRow& row : reading.rows) lastValue_[row.channel] = reading.time;
    return events;
}

std::vector<AlertEvent> AlertMonitor::OnService(bool stationConnected, uint64_t rowsWaiting,
                                                int64_t now) {
    std::vector<AlertEvent> events;
    if (!watchingSince_ || (stationConnected && !connected_)) watchingSince_ = now;
    connected_ = stationConnected;
    for (const AlertRule& rule : rules_) {
        if (rule.kind == AlertKind::StationLost) {
            Timed(rule, !stationConnected, std::nullopt, now, events);
        } else if (rule.kind == AlertKind::ArchiveStalled) {
            Timed(rule, rowsWaiting > 0, static_cast<double>(rowsWaiting), now, events);
        }
    }
    return events;
}

std::optional<int64_t> AlertMonitor::NextDeadline() const {
    std::optional<int64_t> next;
    for (const AlertRule& rule : rules_) {
        if (rule.kind != AlertKind::StationLost && rule.kind != AlertKind::ArchiveStalled) continue;
        const auto watch = watches_.find({rule.text, 0, ""});
        if (watch == watches_.end() || watch->second.firing || !watch->second.since) continue;
        const int64_t due = *watch->second.since + rule.seconds;
        next = next ? std::min(*next, due) : due;
    }
    return next;
}

std::vector<FiringAlert> AlertMonitor::Firing() const {
    std::vector<FiringAlert> firing;
    for (const AlertRule& rule : rules_) {
        for (const auto& [key, watch] : watches_) {
            if (std::get<0>(key) == rule.text && watch.firing) firing.push_back(watch.shown);
        }
    }
    return firing;
}

void AlertMonitor::ThresholdRule(const AlertRule& rule, const ReadingSnapshot& reading,
                                 std::vector<AlertEvent>& events) {
    Watch& watch = watches_[{rule.text, rule.channel, ""}];
    const ArchiveRow* row = RowOf(reading, rule.channel);
    const std::optional<double> value = row ? ValueOf(*row, rule.quantity) : std::nullopt;
    // Without a value nothing is known: a firing rule stays, a pending one starts again.
    if (!value) {
        if (!watch.firing) watch.since.reset();
        return;
    }
    const bool above = rule.kind == AlertKind::Above;
    if (watch.firing) {
        if (above ? *value < rule.clear : *value > rule.clear) {
            Clear(watch, rule, value, reading.time, events);
        }
        return;
    }
    if (!(above ? *value > rule.limit : *value < rule.limit)) {
        watch.since.reset();
        return;
    }
    if (!watch.since) watch.since = reading.time;
    if (reading.time - *watch.since >= rule.seconds) {
        Fire(watch, rule,
             {rule.text, rule.kind, rule.channel, QuantityName(rule.quantity), value, rule.limit},
             reading.time, events);
    }
}

void AlertMonitor::SilentRule(const AlertRule& rule, const ReadingSnapshot& reading,
                              std::vector<AlertEvent>& events) {
    Watch& watch = watches_[{rule.text, rule.channel, ""}];
    if (RowOf(reading, rule.channel) != nullptr) {
        if (watch.firing) Clear(watch, rule, std::nullopt, reading.time, events);
        return;
    }
    if (watch.firing) return;
    int64_t silentSince = watchingSince_.value_or(reading.time);
    if (const auto last = lastValue_.find(rule.channel); last != lastValue_.end()) {
        silentSince = std::max(silentSince, last->second);
    }
    if (reading.time - silentSince >= rule.seconds) {
        Fire(watch, rule, {rule.text, rule.kind, rule.channel, "", std::nullopt, std::nullopt},
             reading.time, events);
    }
}

void AlertMonitor::StationAlarmsRule(const AlertRule& rule, const ReadingSnapshot& reading,
                                     std::vector<AlertEvent>& events) {
    if (!reading.alarms) return;  // this read did not get the station's alarm settings
    for (const ArchiveRow& row : reading.rows) {
        const ChannelAlarms alarms = CheckAlarms(*reading.alarms, row);
        const struct {
            const char* quantity;
            std::optional<double> value;
            bool on;
            std::optional<double> limit;
        } quantities[] = {
            {"temperature", row.temperature, alarms.temperature, alarms.temperatureLimit},
            {"humidity", row.humidity, alarms.humidity, alarms.humidityLimit}};
        for (const auto& quantity : quantities) {
            if (!quantity.value) continue;
            Watch& watch = watches_[{rule.text, row.channel, quantity.quantity}];
            if (quantity.on && !watch.firing) {
                Fire(watch, rule,
                     {rule.text, rule.kind, row.channel, quantity.quantity, quantity.value,
                      quantity.limit},
                     reading.time, events);
            } else if (!quantity.on && watch.firing) {
                Clear(watch, rule, quantity.value, reading.time, events);
            }
        }
    }
}

void AlertMonitor::Timed(const AlertRule& rule, bool holds, std::optional<double> value,
                         int64_t now, std::vector<AlertEvent>& events) {
    Watch& watch = watches_[{rule.text, 0, ""}];
    if (!holds) {
        if (watch.firing) Clear(watch, rule, value, now, events);
        watch.since.reset();
        return;
    }
    if (watch.firing) return;
    if (!watch.since) watch.since = now;
    if (now - *watch.since >= rule.seconds) {
        Fire(watch, rule, {rule.text, rule.kind, 0, "", value, std::nullopt}, now, events);
    }
}

void AlertMonitor::Fire(Watch& watch, const AlertRule& rule, const FiringAlert& what, int64_t time,
                        std::vector<AlertEvent>& events) {
    watch.firing = true;
    watch.shown = what;
    watch.shown.since = time;
    events.push_back({rule.text, rule.kind, station_, what.channel, what.quantity, what.value,
                      what.limit, AlertState::Firing, time});
}

void AlertMonitor::Clear(Watch& watch, const AlertRule& rule, std::optional<double> value,
                         int64_t time, std::vector<AlertEvent>& events) {
    watch.firing = false;
    watch.since.reset();
    events.push_back({rule.text, rule.kind, station_, watch.shown.channel, watch.shown.quantity,
                      value, watch.shown.limit, AlertState::Cleared, time});
}

}  // namespace corvalin
