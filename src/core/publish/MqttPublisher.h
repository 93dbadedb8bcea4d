// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/Status.h"
#include "logger/ReadingSnapshot.h"
#include "logger/StationLogger.h"
#include "publish/ServiceState.h"

namespace corvalin {

struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;            // mqtts://, or a CA file given
    std::string caFile;          // the CA that signed the broker's certificate
    std::string username;
    std::string passwordFile;    // its first line is the password
    std::string station = DEFAULT_STATION_NAME;
    std::chrono::seconds interval = DEFAULT_LOG_INTERVAL;
    std::string archivePath;     // where the readings to publish are read
};

// "mqtt://HOST[:PORT]" (1883) or "mqtts://HOST[:PORT]" (8883); "[::1]" for IPv6.
Status ParseMqttAddress(const std::string& text, MqttSettings& settings);

// Publishes the logger's readings to an MQTT broker (QoS 1) with Home
// Assistant discovery. Readings are taken from the archive in order, from
// the last one the broker acknowledged, so that what was not acknowledged
// while the broker was away goes out later with its original time, and once.
// Runs on its own thread; the broker is looked for again every few seconds.
class MqttPublisher {
public:
    MqttPublisher(MqttSettings settings, ServiceStateHolder& state, LogSink log);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Checks the settings (the password file) and starts the thread.
    Status Start();
    void Stop();
    // A reading is in the archive: publish it (and keep the station's limits).
    void OnReading(const ReadingSnapshot& reading);
    // New discovery, for a new interval.
    void Reconfigure(std::chrono::seconds interval);

private:
    struct Client;
    void Run();
    void Wait(std::chrono::milliseconds time);

    MqttSettings settings_;
    std::string password_;
    int64_t firstCursor_ = 0;
    ServiceStateHolder& state_;
    LogSink log_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    std::optional<StationAlarms> alarms_;
    std::chrono::seconds interval_;
    bool rediscover_ = false;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace corvalin
