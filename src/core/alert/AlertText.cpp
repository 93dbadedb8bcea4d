// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/AlertText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "common/ZonedTime.h"

namespace corvalin {

namespace {

using Json = nlohmann::ordered_json;

// A summary lists at most this many of the events it stands for.
constexpr size_t SUMMARY_LINES = 100;

std::string ValueText(const std::string& quantity, double value) {
    char text[32];
    if (quantity == "humidity") {
        std::snprintf(text, sizeof text, "%.0f %%", value);
    } else {
        std::snprintf(text, sizeof text, "%.1f °C", value);
    }
    return text;
}

std::string Subject(const AlertEvent& event) {
    return "CH" + std::to_string(event.channel) + " " + event.quantity;
}

std::string ValueOrNothing(const AlertEvent& event) {
    return event.value ? std::string(" ").append(ValueText(event.quantity, *event.value))
                       : std::string();
}

std::string LimitOrNothing(const AlertEvent& event) {
    return event.limit ? ValueText(event.quantity, *event.limit) : std::string("its limit");
}

std::string FiringSentence(const AlertEvent& event) {
    switch (event.kind) {
        case AlertKind::Above:
            return Subject(event) + ValueOrNothing(event) + " is above " + LimitOrNothing(event);
        case AlertKind::Below:
            return Subject(event) + ValueOrNothing(event) + " is below " + LimitOrNothing(event);
        case AlertKind::StationAlarms:
            return Subject(event) + ValueOrNothing(event) + " is past the station's alarm limit " +
                   LimitOrNothing(event);
        case AlertKind::Silent:
            return "CH" + std::to_string(event.channel) + " sends no values";
        case AlertKind::StationLost:
            return "The station is lost";
        case AlertKind::ArchiveStalled:
            return "The archive cannot be written; " +
                   std::to_string(std::llround(event.value.value_or(0))) + " rows wait";
    }
    return {};
}

std::string ClearedSentence(const AlertEvent& event) {
    switch (event.kind) {
        case AlertKind::Above:
        case AlertKind::Below:
        case AlertKind::StationAlarms:
            return Subject(event) + " is back" +
                   (event.value ? " at " + ValueText(event.quantity, *event.value) : std::string());
        case AlertKind::Silent:
            return "CH" + std::to_string(event.channel) + " sends values again";
        case AlertKind::StationLost:
            return "The station is back";
        case AlertKind::ArchiveStalled:
            return "The archive is written again";
    }
    return {};
}

// "CH3", or "station" for the station's and the archive's rules.
std::string Where(const AlertEvent& event) {
    return event.channel > 0 ? "CH" + std::to_string(event.channel) : std::string("station");
}

Json OrNull(const std::optional<double>& value) {
    return value ? Json(std::round(*value * 10.0) / 10.0) : Json(nullptr);
}

Json EventJson(const AlertEvent& event) {
    return {{"rule", event.rule},
            {"station", event.station},
            {"channel", event.channel > 0 ? Json(event.channel) : Json(nullptr)},
            {"quantity", event.quantity.empty() ? Json(nullptr) : Json(event.quantity)},
            {"value", OrNull(event.value)},
            {"limit", OrNull(event.limit)},
            {"state", StateName(event.state)},
            {"time", IsoTime(event.time, true)}};
}

std::string MailDate(int64_t utcSeconds) {
    const std::time_t time = static_cast<std::time_t>(utcSeconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[parts.tm_wday],
                  parts.tm_mday, months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return text;
}

bool AnyFiring(const AlertMessage& message) {
    for (const AlertEvent& event : message.events) {
        if (event.state == AlertState::Firing) return true;
    }
    return false;
}

}  // namespace

std::string EventLine(const AlertEvent& event) {
    const std::string sentence =
        event.state == AlertState::Firing ? FiringSentence(event) : ClearedSentence(event);
    return std::string(StateName(event.state)) + ": " + sentence + " (" + event.rule + ")";
}

std::string MessageTitle(const AlertMessage& message) {
    const std::string start = "Corvalin " + message.station + ": ";
    if (message.test) return start + "test message";
    if (message.heldBack > 0) {
        return start + std::to_string(message.heldBack) + " messages held back";
    }
    std::vector<std::string> parts;
    for (const AlertEvent& event : message.events) {
        const std::string part = Where(event) + " " + StateName(event.state);
        if (std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
    }
    std::string title = start;
    for (size_t i = 0; i < parts.size(); ++i) title += (i > 0 ? ", " : "") + parts[i];
    return title;
}

std::string MessageBody(const AlertMessage& message) {
    if (message.test) {
        return "A test message from Corvalin for the station " + message.station +
               ": alerts reach this address.\n";
    }
    std::string body;
    size_t lines = message.events.size();
    if (message.heldBack > 0) {
        body = std::to_string(message.heldBack) +
               " alert messages were held back by the hourly limit. Their events:\n";
        lines = std::min(lines, SUMMARY_LINES);
    }
    // A summary ends with its newest events.
    const size_t first = message.events.size() - lines;
    if (first > 0)
        body.append("(").append(std::to_string(first)).append(" earlier events not listed)\n");
    for (size_t i = first; i < message.events.size(); ++i)
        body += EventLine(message.events[i]) + "\n";
    return body;
}

int MessagePriority(const AlertMessage& message) {
    return !message.test && message.heldBack == 0 && AnyFiring(message) ? 4 : 3;
}

std::string MessageTags(const AlertMessage& message) {
    if (message.test) return "thermometer,test_tube";
    if (message.heldBack > 0) return "thermometer,hourglass";
    return AnyFiring(message) ? "thermometer,warning" : "thermometer,white_check_mark";
}

std::string WebhookJson(const AlertMessage& message) {
    if (message.test || message.heldBack > 0) {
        Json json{{"rule", nullptr},
                  {"station", message.station},
                  {"channel", nullptr},
                  {"quantity", nullptr},
                  {"value", nullptr},
                  {"limit", nullptr},
                  {"state", message.test ? "TEST" : "SUMMARY"},
                  {"time", IsoTime(message.time, true)}};
        if (message.heldBack > 0) {
            json["held"] = message.heldBack;
            json["events"] = Json::array();
            for (const AlertEvent& event : message.events)
                json["events"].push_back(EventJson(event));
        }
        return json.dump();
    }
    if (message.events.size() == 1) return EventJson(message.events.front()).dump();
    Json events = Json::array();
    for (const AlertEvent& event : message.events) events.push_back(EventJson(event));
    return events.dump();
}

std::string MailText(const AlertMessage& message, const std::string& from,
                     const std::vector<std::string>& to) {
    std::string recipients;
    for (size_t i = 0; i < to.size(); ++i) recipients += (i > 0 ? ", " : "") + to[i];
    std::string text = "Date: " + MailDate(message.time) + "\r\n" + "From: " + from + "\r\n" +
                       "To: " + recipients + "\r\n" + "Subject: " + MessageTitle(message) + "\r\n" +
                       "MIME-Version: 1.0\r\n" + "Content-Type: text/plain; charset=UTF-8\r\n" +
                       "Content-Transfer-Encoding: 8bit\r\n\r\n";
    const std::string body = MessageBody(message);
    for (char c : body) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

}  // namespace corvalin
