// SPDX-License-Identifier: GPL-3.0-or-later
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "Commands.h"
#include "JsonText.h"
#include "archive/ForwardCursor.h"
#include "common/DataFiles.h"
#include "common/ZonedTime.h"
#include "publish/ServiceStatusFile.h"

namespace corvalin::cli {

namespace {

using Json = nlohmann::json;

Json OrNull(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

// The channels of the last reading: every channel, its values only where its sensor is there.
Json ChannelsJson(const ReadingSnapshot& reading) {
    Json channels = Json::array();
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        const bool present = reading.sensorPresent[channel - 1];
        Json entry{{"channel", channel},  {"sensor", present},   {"temperature", nullptr},
                   {"humidity", nullptr}, {"dewPoint", nullptr}, {"heatIndex", nullptr}};
        for (const ArchiveRow& row : reading.rows) {
            if (row.channel != channel || !present) continue;
            entry["temperature"] = OrNull(row.temperature);
            entry["humidity"] = OrNull(row.humidity);
            entry["dewPoint"] = OrNull(row.dewPoint);
            entry["heatIndex"] = OrNull(row.heatIndex);
        }
        channels.push_back(entry);
    }
    return channels;
}

Json AlertsJson(const ServiceState& state) {
    Json firing = Json::array();
    for (const FiringAlert& alert : state.alertsFiring) {
        firing.push_back(
            {{"rule", alert.rule},
             {"channel", alert.channel > 0 ? Json(alert.channel) : Json(nullptr)},
             {"quantity", alert.quantity.empty() ? Json(nullptr) : Json(alert.quantity)},
             {"value", OrNull(alert.value)},
             {"limit", OrNull(alert.limit)},
             {"since", IsoTime(alert.since)}});
    }
    return {{"rules", state.alertRules}, {"sinks", state.alertSinks}, {"firing", firing}};
}

// The rows the local archive holds that the archive server has not confirmed
// yet; nothing when the archive cannot tell.
std::optional<int64_t> RowsWaiting(const std::string& dataDir, const std::string& server) {
    auto archive = ArchiveDatabase::Open(dataDir + "/" + ARCHIVE_DATABASE_FILE, true);
    if (!archive) return std::nullopt;
    ForwardCursor cursor(**archive.value, server);
    const Result<int64_t> waiting = cursor.Waiting();
    return waiting ? std::optional<int64_t>(*waiting) : std::nullopt;
}

Json ArchiveServerJson(const ServiceState& state, const std::optional<int64_t>& waiting) {
    if (state.archiveServer.empty()) return nullptr;
    return {{"address", state.archiveServer},
            {"connected", state.archiveServerConnected},
            {"problem",
             state.archiveServerProblem.empty() ? Json(nullptr) : Json(state.archiveServerProblem)},
            {"rowsWaiting", waiting ? Json(*waiting) : Json(nullptr)}};
}

void PrintArchiveServer(std::ostream& out, const ServiceState& state,
                        const std::optional<int64_t>& waiting) {
    if (state.archiveServer.empty()) {
        out << "Archive server: none\n";
        return;
    }
    out << "Archive server: " << state.archiveServer << ", "
        << (state.archiveServerConnected ? "reachable" : "not reachable");
    if (!state.archiveServerProblem.empty()) out << " (" << state.archiveServerProblem << ")";
    out << ", " << (waiting ? std::to_string(*waiting) : std::string("--"))
        << " rows waiting for it\n";
}

Json StatusJson(const StoredServiceStatus& stored) {
    const ServiceStatus& status = stored.status;
    const ServiceState& state = status.state;
    Json last = nullptr;
    if (state.last)
        last = {{"time", IsoTime(state.last->time)}, {"channels", ChannelsJson(*state.last)}};
    return {{"running", stored.running},
            {"pid", status.pid},
            {"started", IsoTime(status.started)},
            {"updated", IsoTime(status.updated)},
            {"station", {{"name", state.station}, {"connected", state.stationConnected}}},
            {"lastReading", last},
            {"reads", state.reads},
            {"readFailures", state.readFailures},
            {"alerts", AlertsJson(state)},
            {"broker", state.broker.empty() ? Json(nullptr)
                                            : Json{{"address", state.broker},
                                                   {"connected", state.brokerConnected},
                                                   {"queued", state.queued}}}};
}

std::string ValueText(const std::optional<double>& value, const char* unit) {
    if (!value) return std::string("--") + unit;
    std::ostringstream text;
    text << *value << unit;
    return text.str();
}

// "Alerts: 2 rules, 1 sink, 1 firing:" and a line for each one firing.
void PrintAlerts(std::ostream& out, const ServiceState& state) {
    out << "Alerts: " << state.alertRules << (state.alertRules == 1 ? " rule, " : " rules, ")
        << state.alertSinks << (state.alertSinks == 1 ? " sink, " : " sinks, ");
    if (state.alertsFiring.empty()) {
        out << "none firing\n";
        return;
    }
    out << state.alertsFiring.size() << " firing:\n";
    for (const FiringAlert& alert : state.alertsFiring) {
        const char* unit = alert.quantity == "humidity" ? " %" : " °C";
        out << "  " << alert.rule << ":";
        if (alert.channel > 0) out << " CH" << alert.channel;
        if (!alert.quantity.empty()) out << " " << alert.quantity;
        if (alert.value) out << " " << ValueText(alert.value, unit);
        if (alert.limit) out << ", limit " << ValueText(alert.limit, unit);
        out << (alert.channel > 0 ? ", since " : " since ") << IsoTime(alert.since) << "\n";
    }
}

void PrintStatus(std::ostream& out, const StoredServiceStatus& stored) {
    const ServiceStatus& status = stored.status;
    const ServiceState& state = status.state;
    out << "corvalind: " << (stored.running ? "running" : "not running") << " (pid " << status.pid
        << ", started " << IsoTime(status.started) << ", status of " << IsoTime(status.updated)
        << ")\n";
    out << "Station: " << (state.station.empty() ? "--" : state.station) << ", "
        << (state.stationConnected ? "connected" : "not connected") << "\n";
    if (!state.last) {
        out << "Last reading: none yet\n";
    } else {
        out << "Last reading: " << IsoTime(state.last->time) << "\n";
        for (const Json& channel : ChannelsJson(*state.last)) {
            out << "  CH" << channel["channel"].get<int>() << ": ";
            if (!channel["sensor"].get<bool>()) {
                out << "no sensor\n";
                continue;
            }
            auto value = [&channel](const char* key) {
                return channel[key].is_null() ? std::optional<double>()
                                              : std::optional<double>(channel[key].get<double>());
            };
            out << ValueText(value("temperature"), " °C") << ", "
                << ValueText(value("humidity"), " %") << ", dew point "
                << ValueText(value("dewPoint"), " °C") << ", heat index "
                << ValueText(value("heatIndex"), " °C") << "\n";
        }
    }
    out << "Reads: " << state.reads << ", failed: " << state.readFailures << "\n";
    if (state.broker.empty()) {
        out << "Broker: none\n";
    } else {
        out << "Broker: " << state.broker << ", "
            << (state.brokerConnected ? "connected" : "not connected") << ", " << state.queued
            << " readings queued\n";
    }
    PrintAlerts(out, state);
}

int RunService(const CommandContext& context) {
    Console& console = context.console;
    const std::string dataDir =
        LoggerFolder(context, std::string(PRIVATE_FOLDER) + "/" + SERVICE_STATUS_FILE);
    const ServiceStatusResult read = ReadServiceStatus(dataDir);
    if (!read) {
        console.err << read.error << "\n";
        return EXIT_FAILED;
    }
    if (!*read.value) {
        if (context.flags.json) console.out << JsonText(Json{{"running", false}}) << "\n";
        console.err << "corvalind is not running: there is no status file "
                    << dataDir + "/" + PRIVATE_FOLDER + "/" + SERVICE_STATUS_FILE << ".\n";
        return EXIT_FAILED;
    }
    const StoredServiceStatus& stored = **read.value;
    const ServiceState& state = stored.status.state;
    const std::optional<int64_t> waiting =
        state.archiveServer.empty() ? std::nullopt : RowsWaiting(dataDir, state.archiveServer);
    if (context.flags.json) {
        Json json = StatusJson(stored);
        json["archiveServer"] = ArchiveServerJson(state, waiting);
        console.out << JsonText(json) << "\n";
    } else {
        PrintStatus(console.out, stored);
        PrintArchiveServer(console.out, state, waiting);
    }
    if (!stored.running) {
        console.err << "corvalind is not running: its status of " << IsoTime(stored.status.updated)
                    << " is stale (process " << stored.status.pid << " has ended).\n";
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

}  // namespace

void AddServiceCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand(
        "service",
        "Whether corvalind runs, its station, last reading, reads, broker, archive server and "
        "the alerts firing");
    command->callback([&context] { context.run = [&context] { return RunService(context); }; });
}

}  // namespace corvalin::cli
