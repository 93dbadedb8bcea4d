// SPDX-License-Identifier: GPL-3.0-or-later
#include "Daemon.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>

#include "alert/AlertText.h"
#include "common/PasswordFile.h"
#include "publish/ServiceStatusFile.h"

namespace corvalin::daemon {

namespace {

std::string ArchivePath(const LoggerSettings& settings) {
    return settings.dataDir + "/" + ARCHIVE_DATABASE_FILE;
}

// The address with the port listened on (port 0 takes a free one).
std::string ServedAddress(const std::string& address, uint16_t port) {
    return address.substr(0, address.rfind(':') + 1) + std::to_string(port);
}

bool SameStationOptions(const StationArguments& a, const StationArguments& b) {
    return a.simulate == b.simulate && a.simCard == b.simCard && a.simState == b.simState &&
           a.simSensors == b.simSensors && a.simNotMainScreen == b.simNotMainScreen &&
           a.simFaults == b.simFaults && a.simPace == b.simPace && a.simSerial == b.simSerial &&
           a.simSecondStations == b.simSecondStations && a.simLookAlikes == b.simLookAlikes &&
           a.device == b.device && a.serial == b.serial;
}

bool SameForwarding(const ForwarderSettings& a, const ForwarderSettings& b) {
    return a.server.address == b.server.address && a.server.password == b.server.password &&
           a.archivePath == b.archivePath;
}

}  // namespace

Daemon::Daemon(std::vector<std::string> arguments, LogSink log)
    : arguments_(std::move(arguments)), log_(std::move(log)) {}

Daemon::~Daemon() {
    if (notifier_) notifier_->Stop();
    if (mqtt_) mqtt_->Stop();
    if (metrics_) metrics_->Stop();
    if (dashboard_) dashboard_->Stop();
    if (forwarder_) forwarder_->Stop();
}

void Daemon::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

std::optional<int> Daemon::Start(std::ostream& out, std::ostream& err) {
    ParsedOptions parsed = ParseDaemonOptions(arguments_, out, err);
    if (!parsed.options) return parsed.exitStatus;
    options_ = std::move(*parsed.options);
    if (Status locked = folderLock_.Take(options_.logger.dataDir); !locked) {
        Say(LogLevel::Error, locked.message);
        return 1;
    }

    const Result<ConnectionOptions> connection = MakeConnectionOptions(options_.station);
    if (!connection) {
        Say(LogLevel::Error, connection.error);
        return 2;
    }
    Result<std::unique_ptr<StationSession>> created = StationSession::Create(*connection);
    if (!created) {
        Say(LogLevel::Error, created.error);
        return 1;
    }
    session_ = std::move(*created.value);
    logger_ = std::make_unique<StationLogger>(*session_, clock_, log_);
    if (systemd_.HeartbeatEvery().count() > 0) {
        options_.logger.longestWait =
            std::min(options_.logger.longestWait, systemd_.HeartbeatEvery());
    }
    logger_->Configure(options_.logger);
    session_->WatchDeviceChanges([this](DeviceEvent) { logger_->DeviceChanged(); });
    state_.Update([&](ServiceState& s) {
        s.station = options_.logger.station;
        s.interval = options_.logger.interval.count();
    });

    ApplyAlerts(options_);
    if (!ApplyMqtt(options_, true)) return 2;
    if (!ApplyMetrics(options_, true)) return 2;
    if (!ApplyHttp(options_, true)) return 2;
    if (!ApplyArchiveServer(options_, true)) return 2;
    // The logger's thread calls this; so does a reload, which runs there too.
    logger_->SetReadingListener([this](const ReadingSnapshot& reading) {
        state_.Update([&](ServiceState& s) { s.last = reading; });
        if (mqtt_) mqtt_->OnReading(reading);
        TellAlerts(alerts_->OnReading(reading), reading.time);
    });
    Say(LogLevel::Info, "corvalind started: every " +
                            std::to_string(options_.logger.interval.count()) + " s, station \"" +
                            options_.logger.station + "\", data in " + options_.logger.dataDir +
                            (options_.configFile.empty() ? std::string(", no config file")
                                                         : ", config " + options_.configFile));
    started_ = std::time(nullptr);
    return std::nullopt;
}

std::optional<MqttSettings> Daemon::MqttSettingsFrom(const DaemonOptions& options) {
    MqttSettings settings;
    if (Status address = ParseMqttAddress(options.mqtt, settings); !address) {
        Say(LogLevel::Error, address.message);
        return std::nullopt;
    }
    if (!options.mqttPasswordFile.empty()) {
        const Result<std::string> password =
            ReadPasswordFile(options.mqttPasswordFile, "the MQTT password file");
        if (!password) {
            Say(LogLevel::Error, password.error);
            return std::nullopt;
        }
        settings.password = *password;
    }
    settings.username = options.mqttUser;
    settings.caFile = options.mqttCaFile;
    if (!settings.caFile.empty()) settings.tls = true;
    settings.station = options.logger.station;
    settings.interval = options.logger.interval;
    settings.archivePath = ArchivePath(options.logger);
    return settings;
}

bool Daemon::ApplyMqtt(const DaemonOptions& options, bool starting) {
    if (options.mqtt.empty()) {
        if (mqtt_) {
            mqtt_->Stop();
            mqtt_.reset();
            state_.Update([](ServiceState& s) { s.broker.clear(), s.queued = 0; });
            Say(LogLevel::Info, "No longer publishing to MQTT");
        }
        return true;
    }
    const std::optional<MqttSettings> settings = MqttSettingsFrom(options);
    if (!settings) {
        if (!starting) Say(LogLevel::Warning, "The MQTT settings stay as they were");
        return false;
    }
    if (mqtt_ && mqtt_->settings().SameConnection(*settings)) {
        mqtt_->Reconfigure(settings->interval);
        return true;
    }
    // A new broker, account, station name or archive: a publisher of its own,
    // after the old one said offline on its own topics.
    if (mqtt_) mqtt_->Stop();
    mqtt_ = std::make_unique<MqttPublisher>(*settings, state_, log_);
    if (alerts_) ShowAlerts();  // its first discovery has the alert rules
    return static_cast<bool>(mqtt_->Start());
}

bool Daemon::ApplyMetrics(const DaemonOptions& options, bool starting) {
    // The page's server answers /metrics too, on its own address.
    const std::string address = options.metrics == options.http ? "" : options.metrics;
    if (!starting && metrics_ && options.metrics == options_.metrics &&
        options.http == options_.http) {
        return true;
    }
    if (address.empty()) {
        if (metrics_) metrics_->Stop();
        metrics_.reset();
        return true;
    }
    // The new page first: where its address cannot be served, the old one stays.
    auto server = std::make_unique<MetricsServer>(state_);
    if (Status serving = server->Start(address); !serving) {
        Say(LogLevel::Error, serving.message);
        if (!starting && metrics_) Say(LogLevel::Warning, "The metrics page stays where it was");
        return false;
    }
    if (metrics_) metrics_->Stop();
    metrics_ = std::move(server);
    Say(LogLevel::Info,
        "Metrics on http://" + ServedAddress(address, metrics_->Port()) + "/metrics");
    return true;
}

bool Daemon::ApplyHttp(const DaemonOptions& options, bool starting) {
    DashboardSettings settings;
    settings.archivePath = ArchivePath(options.logger);
    if (!options.httpAssets.empty()) settings.chartAssets = options.httpAssets;
    if (!starting && dashboard_ && options.http == options_.http &&
        settings.archivePath == dashboard_->settings().archivePath &&
        settings.chartAssets == dashboard_->settings().chartAssets) {
        return true;
    }
    // Another address is taken before the old one is left; the same one is
    // left first, as two servers cannot listen there.
    if (dashboard_ && (options.http.empty() || options.http == options_.http)) {
        dashboard_->Stop();
        dashboard_.reset();
        if (options.http.empty()) Say(LogLevel::Info, "No longer serving the page");
    }
    if (options.http.empty()) return true;
    auto server = std::make_unique<DashboardServer>(state_, settings, [this] {
        return static_cast<int64_t>(std::chrono::system_clock::to_time_t(clock_.Now()));
    });
    if (Status serving = server->Start(options.http); !serving) {
        Say(LogLevel::Error, serving.message);
        if (dashboard_) Say(LogLevel::Warning, "The page stays where it was");
        return false;
    }
    if (!server->Warning().empty()) Say(LogLevel::Warning, server->Warning());
    if (dashboard_) dashboard_->Stop();
    dashboard_ = std::move(server);
    Say(LogLevel::Info,
        "The page on http://" + ServedAddress(options.http, dashboard_->Port()) + "/");
    return true;
}

void Daemon::ApplyAlerts(const DaemonOptions& options) {
    if (!alerts_)
        alerts_ = std::make_unique<AlertMonitor>(options.logger.station, options.alertRules);
    if (!notifier_) notifier_ = std::make_unique<AlertNotifier>(clock_, log_);
    // A new station name is a new set of conditions.
    if (options.logger.station != options_.logger.station) {
        alerts_ = std::make_unique<AlertMonitor>(options.logger.station, options.alertRules);
    }
    alerts_->SetRules(options.alertRules);
    notifier_->SetTargets(options.notifyTargets, options.sinkPolicy);
    state_.Update([&](ServiceState& s) {
        s.alertRules = options.alertRules.size();
        s.alertSinks = options.notifyTargets.size();
    });
    ShowAlerts();
}

void Daemon::TellAlerts(const std::vector<AlertEvent>& events, int64_t time) {
    if (events.empty()) return;
    for (const AlertEvent& event : events) Say(LogLevel::Info, "Alert " + EventLine(event));
    notifier_->Notify(events.front().station, events, time);
    ShowAlerts();
}

void Daemon::ShowAlerts() {
    const std::vector<FiringAlert> firing = alerts_->Firing();
    state_.Update([&](ServiceState& s) { s.alertsFiring = firing; });
    if (!mqtt_) return;
    std::vector<AlertSensor> sensors;
    for (const AlertRule& rule : alerts_->rules()) {
        const bool fires = std::any_of(firing.begin(), firing.end(), [&](const FiringAlert& alert) {
            return alert.rule == rule.text;
        });
        sensors.push_back({RuleId(rule), rule.text, fires});
    }
    mqtt_->SetAlerts(std::move(sensors));
}

std::optional<ForwarderSettings> Daemon::ForwarderSettingsFrom(const DaemonOptions& options) {
    Result<ArchiveServer> server = ParseArchiveServer(options.archiveServer);
    if (!server) {
        Say(LogLevel::Error, server.error);
        return std::nullopt;
    }
    if (!options.archiveServerPasswordFile.empty()) {
        const Result<std::string> password = ReadPasswordFile(options.archiveServerPasswordFile,
                                                              "the archive server's password file");
        if (!password) {
            Say(LogLevel::Error, password.error);
            return std::nullopt;
        }
        server.value->password = *password;
    }
    ForwarderSettings settings;
    settings.server = std::move(*server.value);
    settings.archivePath = ArchivePath(options.logger);
    return settings;
}

bool Daemon::ApplyArchiveServer(const DaemonOptions& options, bool starting) {
    if (options.archiveServer.empty()) {
        if (forwarder_) {
            forwarder_->Stop();
            forwarder_.reset();
            state_.Update([](ServiceState& s) {
                s.archiveServer.clear();
                s.archiveServerConnected = false;
                s.archiveServerProblem.clear();
            });
            Say(LogLevel::Info, "No longer forwarding to an archive server");
        }
        return true;
    }
    const std::optional<ForwarderSettings> settings = ForwarderSettingsFrom(options);
    if (!settings) {
        if (!starting) Say(LogLevel::Warning, "The archive server settings stay as they were");
        return false;
    }
    if (forwarder_ && SameForwarding(forwarder_->settings(), *settings)) return true;
    // A new server, password or archive: a forwarder of its own, from its own position.
    if (forwarder_) forwarder_->Stop();
    forwarder_ = std::make_unique<ArchiveForwarder>(*settings, state_, log_);
    forwarder_->Start();
    return true;
}

void Daemon::Run() {
    // Ready once the archive is open, station or not: the card's sync comes
    // in slices between the turns that keep the watchdog fed.
    if (logger_->OpenArchive()) {
        systemd_.Ready("Archive open");
        ready_ = true;
    }
    logger_->Run([this](const std::string& status) { AfterTurn(status); });
    notifier_->Stop();
    systemd_.Stopping();
    if (mqtt_) mqtt_->Stop();
    if (metrics_) metrics_->Stop();
    if (dashboard_) dashboard_->Stop();
    if (forwarder_) forwarder_->Stop();
    RemoveServiceStatus(options_.logger.dataDir);
}

void Daemon::Stop() {
    if (logger_) logger_->Stop();
}

void Daemon::Reload() {
    reload_ = true;
    if (logger_) logger_->DeviceChanged();  // wakes the loop
}

void Daemon::AfterTurn(const std::string& status) {
    const LoggerStats stats = logger_->Stats();
    state_.Update([&](ServiceState& s) {
        s.stationConnected = stats.connected;
        s.reads = stats.reads;
        s.readFailures = stats.readFailures;
    });
    const int64_t now = std::chrono::system_clock::to_time_t(clock_.Now());
    TellAlerts(alerts_->OnService(stats.connected, stats.rowsWaiting, now), now);
    const std::optional<int64_t> deadline = alerts_->NextDeadline();
    logger_->WakeBy(deadline ? std::optional(std::chrono::system_clock::from_time_t(*deadline))
                             : std::nullopt);
    WriteStatus();
    if (!ready_ && logger_->OpenArchive()) {
        systemd_.Ready(status);
        ready_ = true;
    } else {
        systemd_.Status(status);
    }
    systemd_.Alive();
    // The turn may have added rows: live readings, or a card's lines.
    if (forwarder_) forwarder_->RowsAdded();
    if (!reload_.exchange(false)) return;
    ReloadNow();
    // The new rules, server and name show at once, not a turn later.
    WriteStatus();
}

// What corvalin-cli service shows.
void Daemon::WriteStatus() {
    const Status written = WriteServiceStatus(
        options_.logger.dataDir, {state_.Get(), getpid(), started_, std::time(nullptr)});
    if (!written && written.message != statusFailure_) Say(LogLevel::Warning, written.message);
    statusFailure_ = written ? std::string() : written.message;
}

void Daemon::ReloadNow() {
    systemd_.Reloading();
    std::ostringstream out;
    std::ostringstream err;
    ParsedOptions again = ParseDaemonOptions(arguments_, out, err);
    if (!again.options) {
        Say(LogLevel::Warning, "The configuration has an error; the old one stays: " + err.str());
        systemd_.Ready("Configuration kept");
        return;
    }
    DaemonOptions options = std::move(*again.options);
    if (options.logger.dataDir != options_.logger.dataDir) {
        if (Status locked = folderLock_.Take(options.logger.dataDir); !locked) {
            Say(LogLevel::Warning,
                locked.message + "; the data folder stays " + options_.logger.dataDir);
            options.logger.dataDir = options_.logger.dataDir;
        }
    }
    if (!SameStationOptions(options.station, options_.station)) {
        Say(LogLevel::Warning,
            "The station options take effect at the next start; the old ones stay");
        options.station = options_.station;
        // A name taken from the serial follows the station that stays.
        if (!options.stationNamed) options.logger.station = options_.logger.station;
    }
    options.logger.longestWait = options_.logger.longestWait;
    if (!ApplyMqtt(options, false)) {
        options.mqtt = options_.mqtt;
        options.mqttUser = options_.mqttUser;
        options.mqttPasswordFile = options_.mqttPasswordFile;
        options.mqttCaFile = options_.mqttCaFile;
    }
    // A server that goes leaves its address before the other one may take it.
    const auto applyHttp = [&] {
        if (ApplyHttp(options, false)) return;
        options.http = dashboard_ ? options_.http : "";
        options.httpAssets = options_.httpAssets;
    };
    if (options.http.empty()) applyHttp();
    if (!ApplyMetrics(options, false)) options.metrics = options_.metrics;
    if (!options.http.empty()) applyHttp();
    ApplyAlerts(options);
    logger_->Configure(options.logger);
    if (!ApplyArchiveServer(options, false)) {
        options.archiveServer = options_.archiveServer;
        options.archiveServerPasswordFile = options_.archiveServerPasswordFile;
        // A new data folder still needs its own forwarder to the old server.
        ApplyArchiveServer(options, false);
    }
    if (options.logger.dataDir != options_.logger.dataDir) {
        RemoveServiceStatus(options_.logger.dataDir);
    }
    state_.Update([&](ServiceState& s) {
        s.station = options.logger.station;
        s.interval = options.logger.interval.count();
    });
    options_ = std::move(options);
    Say(LogLevel::Info, options_.configFile.empty()
                            ? "Configuration read again: no config file, the command line alone"
                            : "Configuration read again from " + options_.configFile);
    systemd_.Ready("Configuration read again");
}

}  // namespace corvalin::daemon
