// SPDX-License-Identifier: GPL-3.0-or-later
#include "Daemon.h"

#include <unistd.h>

#include <ctime>
#include <sstream>

#include "common/PasswordFile.h"
#include "publish/ServiceStatusFile.h"

namespace corvalin::daemon {

namespace {

std::string ArchivePath(const LoggerSettings& settings) {
    return settings.dataDir + "/" + ARCHIVE_DATABASE_FILE;
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
    if (mqtt_) mqtt_->Stop();
    if (metrics_) metrics_->Stop();
    if (forwarder_) forwarder_->Stop();
}

void Daemon::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

std::optional<int> Daemon::Start(std::ostream& out, std::ostream& err) {
    ParsedOptions parsed = ParseDaemonOptions(arguments_, out, err);
    if (!parsed.options) return parsed.exitStatus;
    options_ = std::move(*parsed.options);

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
    state_.Update([&](ServiceState& s) { s.station = options_.logger.station; });

    if (!ApplyMqtt(options_, true)) return 2;
    if (!ApplyMetrics(options_.metrics, true)) return 2;
    if (!ApplyArchiveServer(options_, true)) return 2;
    // The logger's thread calls this; so does a reload, which runs there too.
    logger_->SetReadingListener([this](const ReadingSnapshot& reading) {
        state_.Update([&](ServiceState& s) { s.last = reading; });
        if (mqtt_) mqtt_->OnReading(reading);
    });
    Say(LogLevel::Info, "corvalind started: every " +
                            std::to_string(options_.logger.interval.count()) + " s, station \"" +
                            options_.logger.station + "\", data in " + options_.logger.dataDir);
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
        const Result<std::string> password = ReadPasswordFile(options.mqttPasswordFile);
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
    return static_cast<bool>(mqtt_->Start());
}

bool Daemon::ApplyMetrics(const std::string& address, bool starting) {
    if (!starting && metrics_ && address == options_.metrics) return true;
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
    Say(LogLevel::Info, "Metrics on http://" + address + "/metrics");
    return true;
}

std::optional<ForwarderSettings> Daemon::ForwarderSettingsFrom(const DaemonOptions& options) {
    Result<ArchiveServer> server = ParseArchiveServer(options.archiveServer);
    if (!server) {
        Say(LogLevel::Error, server.error);
        return std::nullopt;
    }
    if (!options.archiveServerPasswordFile.empty()) {
        const Result<std::string> password =
            ReadPasswordFile(options.archiveServerPasswordFile, "archive server");
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
    logger_->Run([this](const std::string& status) { AfterTurn(status); });
    systemd_.Stopping();
    if (mqtt_) mqtt_->Stop();
    if (metrics_) metrics_->Stop();
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
    // What corvalin-cli service shows.
    const Status written = WriteServiceStatus(
        options_.logger.dataDir, {state_.Get(), getpid(), started_, std::time(nullptr)});
    if (!written && written.message != statusFailure_) Say(LogLevel::Warning, written.message);
    statusFailure_ = written ? std::string() : written.message;
    if (!ready_) {
        systemd_.Ready(status);
        ready_ = true;
    } else {
        systemd_.Status(status);
    }
    systemd_.Alive();
    // The turn may have added rows: live readings, or a card's lines.
    if (forwarder_) forwarder_->RowsAdded();
    if (reload_.exchange(false)) ReloadNow();
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
    if (!ApplyMetrics(options.metrics, false)) options.metrics = options_.metrics;
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
    state_.Update([&](ServiceState& s) { s.station = options.logger.station; });
    options_ = std::move(options);
    Say(LogLevel::Info, "Configuration read again from " + options_.configFile);
    systemd_.Ready("Configuration read again");
}

}  // namespace corvalin::daemon
