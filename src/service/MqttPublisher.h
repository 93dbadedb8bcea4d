// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "archive/ArchiveDatabase.h"
#include "common/PasswordFile.h"
#include "common/Status.h"
#include "common/Wakeup.h"
#include "logger/ReadingSnapshot.h"
#include "logger/StationLogger.h"
#include "publish/MqttMessages.h"
#include "publish/ServiceState.h"

namespace corvalin {

struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;    // mqtts://, or a CA file given
    std::string caFile;  // the CA that signed the broker's certificate
    std::string username;
    std::string password;  // the password file's first line
    std::string station = DEFAULT_STATION_NAME;
    std::chrono::seconds interval = DEFAULT_LOG_INTERVAL;
    std::string archivePath;  // where the readings to publish are read

    // The same broker, account, topics and archive: only the interval may differ.
    bool SameConnection(const MqttSettings& other) const;
};

// "mqtt://HOST[:PORT]" (1883) or "mqtts://HOST[:PORT]" (8883); "[::1]" for IPv6.
Status ParseMqttAddress(const std::string& text, MqttSettings& settings);

// Publishes the logger's readings to an MQTT broker (QoS 1) with Home
// Assistant discovery. Readings are taken from the archive in order, from
// the last one the broker acknowledged, so that what was not acknowledged
// while the broker was away goes out later with its original time, and once.
// Runs on its own thread, which sleeps until the broker's socket, a new
// reading, a reconnection's time or Stop wakes it.
class MqttPublisher {
public:
    MqttPublisher(MqttSettings settings, ServiceStateHolder& state, LogSink log);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Fixes where a first start begins and starts the thread.
    Status Start();
    // Says offline to the broker when connected, and ends the thread.
    void Stop();
    // A reading is in the archive: publish it (and keep the station's limits).
    void OnReading(const ReadingSnapshot& reading);
    // New discovery, for a new interval.
    void Reconfigure(std::chrono::seconds interval);
    // The alert rules and whether each fires: binary sensors with retained states.
    void SetAlerts(std::vector<AlertSensor> sensors);
    const MqttSettings& settings() const { return settings_; }

private:
    struct Client;
    using Steady = std::chrono::steady_clock;

    void Run();
    // The steps of one turn of Run, each on the publisher's thread.
    bool OpenArchive();
    void Connect();
    void Exchange();
    bool DropLostClient();
    void Announce();
    void AdvanceCursor();
    void SendNextReading();
    void PublishAlerts();
    // The device's discovery with the alert rules as they are; those
    // announced before and gone since are taken off.
    void PublishDiscovery(std::chrono::seconds interval, const std::vector<AlertSensor>& alerts);
    void WaitForWork();

    void Publish(const std::string& topic, const std::string& payload, bool retain);
    void CountQueued();
    void Say(LogLevel level, const std::string& text);
    void SayFailure(const std::string& text);

    MqttSettings settings_;
    ServiceStateHolder& state_;
    LogSink log_;
    std::string clientId_;
    std::string statusTopic_;
    int64_t firstCursor_ = 0;

    // Set by other threads, taken by the publisher's.
    std::mutex mutex_;
    std::optional<StationAlarms> alarms_;
    std::chrono::seconds interval_;
    bool rediscover_ = false;
    std::vector<AlertSensor> alerts_;
    bool alertsChanged_ = false;
    std::atomic<bool> stopping_{false};
    Wakeup wakeup_;

    // The publisher's thread only.
    std::unique_ptr<ArchiveDatabase> archive_;
    int64_t cursor_ = 0;
    // The alert rules whose configs the broker holds, kept in the archive
    // so that a rule dropped while the logger was stopped is removed too.
    std::vector<std::string> announcedAlerts_;
    std::unique_ptr<Client> client_;
    Steady::time_point nextConnect_{};
    std::chrono::seconds retryDelay_;
    std::string lastFailure_;
    std::thread thread_;
};

}  // namespace corvalin
