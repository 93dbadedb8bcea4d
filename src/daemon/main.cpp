// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind: the unattended logger. It logs to stderr (the journal under
// systemd) and never prints readings.
#include <pthread.h>
#include <signal.h>

#include <unistd.h>

#include <atomic>
#include <ctime>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include "DaemonOptions.h"
#include "SystemdNotifier.h"
#include "logger/StationLogger.h"
#include "publish/MetricsServer.h"
#include "publish/MqttPublisher.h"
#include "publish/ServiceStatusFile.h"
#include "publish/ServiceState.h"
#include "session/StationSession.h"

using namespace corvalin;
using namespace corvalin::daemon;

namespace {

std::mutex logMutex;

// Under the journal each line carries its priority, as sd-daemon(3) reads it.
void Log(LogLevel level, const std::string& text) {
    static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    std::lock_guard<std::mutex> guard(logMutex);
    if (journal) {
        std::cerr << (level == LogLevel::Error ? "<3>" : level == LogLevel::Warning ? "<4>" : "<6>");
    } else if (level != LogLevel::Info) {
        std::cerr << (level == LogLevel::Error ? "error: " : "warning: ");
    }
    std::cerr << text << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ParsedOptions parsed = ParseDaemonOptions(arguments, std::cout, std::cerr);
    if (!parsed.options) return parsed.exitStatus;
    DaemonOptions options = *parsed.options;

    // The signals are taken by one thread that waits for them, so that
    // stopping and reloading run as ordinary code.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const Result<ConnectionOptions> connection = MakeConnectionOptions(options.station);
    if (!connection) {
        Log(LogLevel::Error, connection.error);
        return 2;
    }
    Result<std::unique_ptr<StationSession>> created = StationSession::Create(*connection);
    if (!created) {
        Log(LogLevel::Error, created.error);
        return 1;
    }
    StationSession& session = **created.value;

    SystemLoggerClock clock;
    StationLogger logger(session, clock, Log);
    SystemdNotifier systemd;
    if (systemd.HeartbeatEvery().count() > 0) {
        options.logger.longestWait = std::min(options.logger.longestWait, systemd.HeartbeatEvery());
    }
    logger.Configure(options.logger);
    session.WatchDeviceChanges([&logger](DeviceEvent) { logger.DeviceChanged(); });

    ServiceStateHolder state;
    state.Update([&](ServiceState& s) { s.station = options.logger.station; });
    std::unique_ptr<MqttPublisher> mqtt;
    if (!options.mqtt.empty()) {
        MqttSettings mqttSettings;
        if (Status address = ParseMqttAddress(options.mqtt, mqttSettings); !address) {
            Log(LogLevel::Error, address.message);
            return 2;
        }
        mqttSettings.username = options.mqttUser;
        mqttSettings.passwordFile = options.mqttPasswordFile;
        mqttSettings.caFile = options.mqttCaFile;
        mqttSettings.station = options.logger.station;
        mqttSettings.interval = options.logger.interval;
        mqttSettings.archivePath = options.logger.dataDir + "/" + ARCHIVE_FILE;
        mqtt = std::make_unique<MqttPublisher>(mqttSettings, state, Log);
        if (Status started = mqtt->Start(); !started) {
            Log(LogLevel::Error, started.message);
            return 1;
        }
    }
    MetricsServer metrics(state);
    if (!options.metrics.empty()) {
        if (Status serving = metrics.Start(options.metrics); !serving) {
            Log(LogLevel::Error, serving.message);
            return 2;
        }
        Log(LogLevel::Info, "Metrics on http://" + options.metrics + "/metrics");
    }
    logger.SetReadingListener([&](const ReadingSnapshot& reading) {
        state.Update([&](ServiceState& s) { s.last = reading; });
        if (mqtt) mqtt->OnReading(reading);
    });

    std::atomic<bool> reload{false};
    std::thread signalThread([&] {
        for (;;) {
            int received = 0;
            if (sigwait(&signals, &received) != 0) continue;
            if (received == SIGHUP) {
                reload = true;
                logger.DeviceChanged();  // wakes the loop
                continue;
            }
            Log(LogLevel::Info, "Stopping");
            logger.Stop();
            return;
        }
    });

    Log(LogLevel::Info, std::string("corvalind started: every ") +
                            std::to_string(options.logger.interval.count()) + " s, station \"" +
                            options.logger.station + "\", data in " + options.logger.dataDir);
    bool ready = false;
    std::string dataDir = options.logger.dataDir;
    const int64_t started = std::time(nullptr);
    std::string statusFailure;
    logger.Run([&](const std::string& status) {
        const LoggerStats stats = logger.Stats();
        state.Update([&](ServiceState& s) {
            s.stationConnected = stats.connected;
            s.reads = stats.reads;
            s.readFailures = stats.readFailures;
        });
        // What corvalin-cli service shows.
        const Status written =
            WriteServiceStatus(dataDir, {state.Get(), getpid(), started, std::time(nullptr)});
        if (!written && written.message != statusFailure) Log(LogLevel::Warning, written.message);
        statusFailure = written ? std::string() : written.message;
        if (!ready) {
            systemd.Ready(status);
            ready = true;
        } else {
            systemd.Status(status);
        }
        systemd.Alive();
        if (reload.exchange(false)) {
            systemd.Reloading();
            ParsedOptions again = ParseDaemonOptions(arguments, std::cout, std::cerr);
            if (again.options) {
                LoggerSettings settings = again.options->logger;
                settings.longestWait = options.logger.longestWait;
                logger.Configure(settings);
                if (mqtt) mqtt->Reconfigure(settings.interval);
                if (settings.dataDir != dataDir) RemoveServiceStatus(dataDir);
                dataDir = settings.dataDir;
                state.Update([&](ServiceState& s) { s.station = settings.station; });
                Log(LogLevel::Info, "Configuration read again from " + again.options->configFile);
            } else {
                Log(LogLevel::Warning, "The configuration has an error; the old one stays");
            }
            systemd.Ready(status);
        }
    });
    systemd.Stopping();
    if (mqtt) mqtt->Stop();
    metrics.Stop();
    RemoveServiceStatus(dataDir);
    // Wake the signal thread if it is still waiting (the loop ended otherwise).
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    return 0;
}
