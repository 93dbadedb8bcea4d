// SPDX-License-Identifier: GPL-3.0-or-later
#include "DaemonOptions.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>

#include "app/DataFolder.h"
#include "common/Version.h"
#include "options/StationOptions.h"

namespace corvalin::daemon {

namespace {

constexpr const char* SYSTEM_CONFIG = "/etc/corvalin/corvalind.conf";

// The config file used when none is named: the user's, else the system's.
std::string DefaultConfigFile() {
    const char* home = std::getenv("HOME");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string user;
    if (configHome && *configHome) {
        user = std::string(configHome) + "/corvalin/corvalind.conf";
    } else if (home && *home) {
        user = std::string(home) + "/.config/corvalin/corvalind.conf";
    }
    std::error_code error;
    if (!user.empty() && std::filesystem::exists(user, error)) return user;
    return SYSTEM_CONFIG;
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
    app.set_config("--config", DefaultConfigFile(),
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

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // --help and --version end well; every parse error is wrong usage.
        const int status = app.exit(error, out, err);
        return {std::nullopt, status == 0 ? 0 : 2};
    }
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
    options.configFile = app.get_config_ptr()->as<std::string>();
    return {std::move(options), 0};
}

}  // namespace corvalin::daemon
