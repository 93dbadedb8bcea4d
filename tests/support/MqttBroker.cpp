// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MqttBroker.h"

#include <mosquitto.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>

#include "support/Eventually.h"

namespace corvalin::test {

MqttBroker::MqttBroker(const std::string& settings)
    : port_(FreeLoopbackPort()), settings_(settings) {
    // Started by root, mosquitto runs as its own user: it must reach its files.
    chmod(dir_.path().c_str(), 0755);
}

MqttBroker::~MqttBroker() { Stop(); }

void MqttBroker::RequireUser(const std::string& user, const std::string& password) {
    // The password as given, spaces and all: an argument, not a line of a file.
    const std::string file = dir_.File("passwords");
    ChildProcess made({"/usr/bin/mosquitto_passwd", "-c", "-b", file, user, password});
    if (made.Wait() == 0) {
        chmod(file.c_str(), 0644);
        passwords_ = file;
    }
}

bool MqttBroker::Start() {
    std::ofstream(dir_.File("mosquitto.conf"))
        << "listener " << port_ << " 127.0.0.1\n"
        << settings_
        << (passwords_.empty() ? "allow_anonymous true\n"
                               : "allow_anonymous false\npassword_file " + passwords_ + "\n")
        << "persistence true\n"
        << "persistence_location " << dir_.path() << "/\n"
        << "autosave_interval 1\n"
        << "log_dest none\n";
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/sbin/mosquitto", "-c", dir_.File("mosquitto.conf")});
    return process_->Running() && Listens(port_);
}

void MqttBroker::Stop() { process_.reset(); }

void MqttBroker::Freeze() {
    if (process_) process_->Signal(SIGSTOP);
}

void MqttBroker::Kill() {
    if (!process_) return;
    process_->Signal(SIGKILL);
    process_->Wait();
    process_.reset();
}

MqttSubscriber::MqttSubscriber(int port, const std::string& name) {
    [[maybe_unused]] static const int library = mosquitto_lib_init();  // once, before any client
    client_ = mosquitto_new((name + "-" + std::to_string(port)).c_str(), false, this);
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_connect_callback_set(client_, [](mosquitto* client, void* self, int rc) {
        auto* me = static_cast<MqttSubscriber*>(self);
        if (rc != 0) return;
        mosquitto_subscribe(client, nullptr, "corvalin/#", 1);
        mosquitto_subscribe(client, nullptr, "homeassistant/#", 1);
        std::lock_guard<std::mutex> guard(me->mutex_);
        me->connected_ = true;
    });
    mosquitto_disconnect_callback_set(client_, [](mosquitto*, void* self, int) {
        auto* me = static_cast<MqttSubscriber*>(self);
        std::lock_guard<std::mutex> guard(me->mutex_);
        me->connected_ = false;
    });
    mosquitto_message_callback_set(
        client_, [](mosquitto*, void* self, const mosquitto_message* message) {
            auto* me = static_cast<MqttSubscriber*>(self);
            std::lock_guard<std::mutex> guard(me->mutex_);
            me->messages_.push_back({message->topic,
                                     std::string(static_cast<const char*>(message->payload),
                                                 static_cast<size_t>(message->payloadlen)),
                                     message->retain});
        });
    mosquitto_connect(client_, "127.0.0.1", port, 30);
    mosquitto_loop_start(client_);
    Eventually([this] { return Connected(); }, std::chrono::seconds(30));
}

MqttSubscriber::~MqttSubscriber() {
    // A disconnect ends the loop's thread by itself; cancelling it could leave
    // one of libmosquitto's mutexes held.
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
}

bool MqttSubscriber::Connected() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return connected_;
}

std::vector<ReceivedMessage> MqttSubscriber::On(const std::string& topic) const {
    std::vector<ReceivedMessage> found;
    std::lock_guard<std::mutex> guard(mutex_);
    for (const ReceivedMessage& message : messages_) {
        if (message.topic == topic) found.push_back(message);
    }
    return found;
}

bool MqttSubscriber::WaitFor(const std::string& topic, size_t count, int seconds) const {
    return Eventually([&] { return On(topic).size() >= count; }, std::chrono::seconds(seconds));
}

void MqttSubscriber::Publish(const std::string& topic, const std::string& payload) {
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 1, false);
}

}  // namespace corvalin::test
