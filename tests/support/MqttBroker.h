// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

struct mosquitto;

namespace corvalin::test {

// The Debian mosquitto broker on a free loopback port, with persistence, so
// that a stop and a start keep the sessions and their queued messages.
class MqttBroker {
public:
    // `settings` go after the listener's line: e.g. its certfile and keyfile.
    explicit MqttBroker(const std::string& settings = "");
    // Only this user, with this password, may connect (before Start).
    void RequireUser(const std::string& user, const std::string& password);
    ~MqttBroker();
    // False when the broker did not come up in time.
    bool Start();
    void Stop();
    // Stops the broker's process where it is (SIGSTOP): its sockets stay
    // open, nothing is read or answered.
    void Freeze();
    // Kills it without a word (SIGKILL), frozen or not.
    void Kill();
    int port() const { return port_; }
    std::string Address() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

private:
    TempDir dir_;
    int port_ = 0;
    std::string settings_;
    std::string passwords_;
    std::unique_ptr<ChildProcess> process_;
};

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// A subscriber of its own on `corvalin/#` and `homeassistant/#` (QoS 1, a
// lasting session under `name`), reconnecting by itself. Only messages that
// were retained before it subscribed arrive marked retained.
class MqttSubscriber {
public:
    explicit MqttSubscriber(int port, const std::string& name = "test-subscriber");
    ~MqttSubscriber();
    bool Connected() const;
    std::vector<ReceivedMessage> On(const std::string& topic) const;
    // Waits (bounded) until `count` messages came on `topic`.
    bool WaitFor(const std::string& topic, size_t count, int seconds = 60) const;
    void Publish(const std::string& topic, const std::string& payload);

private:
    mosquitto* client_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<ReceivedMessage> messages_;
    bool connected_ = false;
};

}  // namespace corvalin::test
