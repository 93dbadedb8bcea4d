// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "DaemonOptions.h"
#include "DataFolderLock.h"
#include "SystemdNotifier.h"
#include "alert/AlertMonitor.h"
#include "logger/StationLogger.h"
#include "notify/AlertNotifier.h"
#include "publish/ServiceState.h"
#include "service/DashboardServer.h"
#include "service/MetricsServer.h"
#include "service/MqttPublisher.h"
#include "session/StationSession.h"
#include "sharedarchive/ArchiveForwarder.h"

namespace corvalin::daemon {

// corvalind's parts wired together: the station's session, the logger, its
// alerts and their sinks, its MQTT publisher, its page and metrics, its
// status file and systemd. A reload reads the command line and config file
// again and hands each part what changed; what only a restart can change is
// kept and said so.
class Daemon {
public:
    Daemon(std::vector<std::string> arguments, LogSink log);
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Reads the options and starts every part. The exit status when it
    // cannot (already said on `err` or through the log).
    std::optional<int> Start(std::ostream& out, std::ostream& err);
    // Logs until Stop, then stops every part.
    void Run();

    // Any thread.
    void Stop();
    void Reload();

private:
    void AfterTurn(const std::string& status);
    void ReloadNow();
    void WriteStatus();
    // Each part takes its settings; false with the error logged when they cannot be used.
    bool ApplyMqtt(const DaemonOptions& options, bool starting);
    bool ApplyMetrics(const DaemonOptions& options, bool starting);
    bool ApplyHttp(const DaemonOptions& options, bool starting);
    bool ApplyArchiveServer(const DaemonOptions& options, bool starting);
    std::optional<ForwarderSettings> ForwarderSettingsFrom(const DaemonOptions& options);
    std::optional<MqttSettings> MqttSettingsFrom(const DaemonOptions& options);
    // The rules and sinks to use from now on; a rule kept keeps its state.
    void ApplyAlerts(const DaemonOptions& options);
    // Logs and sends the events, and shows what fires now.
    void TellAlerts(const std::vector<AlertEvent>& events, int64_t time);
    void ShowAlerts();
    void Say(LogLevel level, const std::string& text);

    std::vector<std::string> arguments_;
    LogSink log_;
    DaemonOptions options_;
    DataFolderLock folderLock_;
    std::unique_ptr<StationSession> session_;
    SystemLoggerClock clock_;
    std::unique_ptr<StationLogger> logger_;
    SystemdNotifier systemd_;
    ServiceStateHolder state_;
    std::unique_ptr<MqttPublisher> mqtt_;
    std::unique_ptr<MetricsServer> metrics_;
    std::unique_ptr<DashboardServer> dashboard_;
    // The logger's thread only.
    std::unique_ptr<AlertMonitor> alerts_;
    std::unique_ptr<AlertNotifier> notifier_;
    std::unique_ptr<ArchiveForwarder> forwarder_;
    std::atomic<bool> reload_{false};
    bool ready_ = false;
    int64_t started_ = 0;
    std::string statusFailure_;
};

}  // namespace corvalin::daemon
