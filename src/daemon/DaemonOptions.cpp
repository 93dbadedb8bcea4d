// SPDX-License-Identifier: GPL-3.0-or-later
#include "DaemonOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ConfigFile.h"
#include "app/DataFolder.h"
#include "common/Version.h"
#include "options/LoggerConfig.h"
#include "options/StationOptions.h"

namespace corvalin::daemon {

namespace {

// The rules and sinks checked; false with the error said on `err`.
bool CheckAlerts(DaemonOptions& options, int perHour, std::ostream& err) {
    Result<std::vector<AlertRule>> rules = ParseAlertRules(options.alerts);
    if (!rules) {
        err << rules.error << "\n";
        return false;
    }
    Result<std::vector<NotifyTarget>> targets = options::MakeNotifyTargets(options.notify);
    if (!targets) {
        err << targets.error << "\n";
        return false;
    }
    options.alertRules = std::move(*rules.value);
    options.notifyTargets = std::move(*targets.value);
    options.sinkPolicy.perHour = perHour;
    return true;
}

// systemd names the service's own folder; elsewhere the program's data folder.
std::string DefaultDataDir() {
    const char* state = std::getenv("STATE_DIRECTORY");
    if (state && *state) {
        std::string first(state);
        return first.substr(0, first.find(':'));
    }
    return DefaultDataDirectory();
}

// The file --config names, or the default one.
std::string ConfigPathFrom(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--config" && i + 1 < arguments.size()) return arguments[i + 1];
        if (arguments[i].rfind("--config=", 0) == 0) return arguments[i].substr(9);
    }
    return options::DefaultLoggerConfigFile();
}

// The keys a config file may set: the long options, but those about the file itself.
std::set<std::string> KnownKeys(const CLI::App& app) {
    std::set<std::string> keys;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) keys.insert(name);
    }
    for (const char* own : {"config", "help", "version"}) keys.erase(own);
    return keys;
}

// Where the value an error speaks of was set, when it came from the config
// file: the longest option the message names that the command line does not set.
std::optional<std::string> PlaceOfError(const ConfigFile& config, const std::set<std::string>& keys,
                                        const std::vector<std::string>& arguments,
                                        const std::string& message) {
    std::string found;
    for (const std::string& key : keys) {
        if (message.find("--" + key) == std::string::npos || key.size() <= found.size()) continue;
        const bool onCommandLine =
            std::any_of(arguments.begin(), arguments.end(), [&](const std::string& argument) {
                return argument == "--" + key || argument.rfind("--" + key + "=", 0) == 0;
            });
        if (!onCommandLine) found = key;
    }
    if (found.empty()) return std::nullopt;
    std::optional<std::string> place = config.PlaceOf(found);
    if (place) *place += ": " + found;
    return place;
}

// A serial as a station name: letters, digits, - and _ only.
std::string NameFromSerial(const std::string& serial) {
    std::string name = serial.substr(0, 64);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
    }
    return name;
}

}  // namespace

ParsedOptions ParseDaemonOptions(const std::vector<std::string>& arguments, std::ostream& out,
                                 std::ostream& err) {
    DaemonOptions options;
    options.logger.dataDir = DefaultDataDir();
    CLI::App app(
        "corvalind: logs the KV7500 station's eight channels into an archive, "
        "filled from its SD card when it was away",
        "corvalind");
    app.set_version_flag("--version", std::string("corvalind ") + CORVALIN_VERSION);
    app.config_formatter(std::make_shared<options::ConfigWithRules>());
    app.set_config("--config", options::DefaultLoggerConfigFile(),
                   "Read options from this file (key = value, keys as the long options)");
    options::AddStationOptions(app, options.station);
    app.add_option("--data-dir", options.logger.dataDir,
                   "Folder of the archive (archive.db) and the card logs' local copies")
        ->capture_default_str();
    int64_t interval = options.logger.interval.count();
    app.add_option("--interval", interval, "Seconds between reads of the live readings")
        ->check(CLI::Range(static_cast<int64_t>(SHORTEST_LOG_INTERVAL.count()), int64_t{86400}))
        ->capture_default_str();
    app.add_option("--station", options.logger.station,
                   "The station's name in the archive (letters, digits, - and _; default: the "
                   "serial given with --serial or --sim-serial, else kv7500)")
        ->check([](const std::string& name) -> std::string {
            if (name.empty() || name.size() > 64) return "give 1 to 64 characters";
            for (char c : name) {
                if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
                    return "use only letters, digits, - and _";
                }
            }
            return {};
        })
        ->capture_default_str();
    std::string cardTime = "computer";
    app.add_option("--card-time", cardTime,
                   "How the times in the card's logs are read: in the computer's time zone, or "
                   "at the station's own zone and daylight-saving settings")
        ->check(CLI::IsMember({"computer", "station"}))
        ->capture_default_str();

    app.add_option("--mqtt", options.mqtt,
                   "Publish the readings to this MQTT broker: mqtt://HOST[:PORT] or "
                   "mqtts://HOST[:PORT], with Home Assistant discovery");
    app.add_option("--mqtt-user", options.mqttUser, "The user name at the broker");
    app.add_option("--mqtt-password-file", options.mqttPasswordFile,
                   "A file whose first line is the password at the broker")
        ->check(CLI::ExistingFile);
    app.add_option("--mqtt-ca-file", options.mqttCaFile,
                   "The CA certificate the broker's certificate is checked against (TLS)")
        ->check(CLI::ExistingFile);
    app.add_option("--archive-server", options.archiveServer,
                   "Forward every row of the archive to the shared archive on this PostgreSQL "
                   "server: postgresql://USER@HOST[:PORT]/DATABASE[?sslmode=...]");
    app.add_option("--archive-server-password-file", options.archiveServerPasswordFile,
                   "A file whose first line is the password at the archive server (else "
                   "PGPASSFILE or ~/.pgpass)")
        ->check(CLI::ExistingFile);
    app.add_option("--metrics", options.metrics,
                   "Serve Prometheus metrics on http://ADDRESS:PORT/metrics (e.g. 127.0.0.1:9475)");
    app.add_option("--http", options.http,
                   "Serve the page of the readings, its JSON API (/api/v1/) and the metrics on "
                   "http://ADDRESS:PORT/ (e.g. 127.0.0.1:8075)");
    app.add_option("--http-assets", options.httpAssets,
                   "The folder of the page's chart library, dygraph.min.js and dygraph.min.css "
                   "(default: where libjs-dygraphs installs them)")
        ->check(CLI::ExistingDirectory);
    app.add_option("--alert", options.alerts,
                   "An alert rule (repeatable): chN.QUANTITY above|below VALUE [for DURATION] "
                   "[clear VALUE] (temperature, humidity, dewPoint, heatIndex; °C and %), "
                   "chN silent DURATION, station lost DURATION, archive stalled DURATION or "
                   "station-alarms; DURATION as 90s, 10m, 2h")
        ->group("Alerts");
    options::AddNotifyOptions(app, options.notify);
    int perHour = options.sinkPolicy.perHour;
    app.add_option("--notify-limit", perHour,
                   "Messages an hour to each sink; past it, one summary when it lifts (0: none)")
        ->check(CLI::Range(0, 3600))
        ->capture_default_str()
        ->group("Alerts");

    // The config file is checked before CLI11 reads it, which would pass over
    // a mistyped key and name no line.
    const std::string configPath = ConfigPathFrom(arguments);
    std::optional<ConfigFile> config;
    std::error_code missing;
    if (std::filesystem::exists(configPath, missing)) {
        Result<ConfigFile> read = ConfigFile::Read(configPath);
        Status checked = read ? read->CheckKeys(KnownKeys(app)) : Status::Error(read.error);
        if (!checked) {
            err << checked.message << "\n";
            return {std::nullopt, 2};
        }
        config = *read.value;
    }
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // --help and --version end well; every parse error is wrong usage.
        if (error.get_exit_code() != 0 && config) {
            if (const std::optional<std::string> place =
                    PlaceOfError(*config, KnownKeys(app), arguments, error.what())) {
                err << *place << ": " << error.what() << "\n";
                return {std::nullopt, 2};
            }
        }
        const int status = app.exit(error, out, err);
        return {std::nullopt, status == 0 ? 0 : 2};
    }
    if (!CheckAlerts(options, perHour, err)) return {std::nullopt, 2};
    // Stations chosen by serial keep apart in a shared archive by themselves.
    options.stationNamed = app.get_option("--station")->count() > 0;
    if (!options.stationNamed) {
        const std::string& serial =
            options.station.serial.empty() ? options.station.simSerial : options.station.serial;
        if (!serial.empty()) options.logger.station = NameFromSerial(serial);
    }
    options.logger.interval = std::chrono::seconds(interval);
    options.logger.cardTime =
        cardTime == "station" ? CardTimeMode::Station : CardTimeMode::Computer;
    options.configFile = config ? config->path() : std::string();
    return {std::move(options), 0};
}

}  // namespace corvalin::daemon
