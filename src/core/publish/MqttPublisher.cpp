// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttPublisher.h"

#include <mosquitto.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "publish/MqttMessages.h"

namespace corvalin {

namespace {

using Steady = std::chrono::steady_clock;

constexpr int QOS = 1;
constexpr int KEEPALIVE_SECONDS = 30;
constexpr auto CONNECT_AGAIN = std::chrono::seconds(2);
constexpr auto LOOP_WAIT = std::chrono::milliseconds(100);
// A broker that took the connection but does not answer it is given up after this.
constexpr auto CONNECT_WAIT = std::chrono::seconds(10);
// The archive setting that keeps the newest reading the broker took whole.
std::string CursorKey(const std::string& station) { return "mqttPublished:" + station; }

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
    ~LibraryUse() { mosquitto_lib_cleanup(); }
};

}  // namespace

Status ParseMqttAddress(const std::string& text, MqttSettings& settings) {
    const auto bad = [&] {
        return Status::Error("\"" + text + "\" is not a broker address: give mqtt://HOST[:PORT] or "
                             "mqtts://HOST[:PORT]");
    };
    std::string rest;
    if (text.rfind("mqtt://", 0) == 0) {
        rest = text.substr(7);
        settings.port = 1883;
    } else if (text.rfind("mqtts://", 0) == 0) {
        rest = text.substr(8);
        settings.tls = true;
        settings.port = 8883;
    } else {
        return bad();
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::string port;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) return bad();
        settings.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') return bad();
            port = rest.substr(close + 2);
        }
    } else {
        const size_t colon = rest.find(':');
        settings.host = rest.substr(0, colon);
        if (colon != std::string::npos) port = rest.substr(colon + 1);
    }
    if (settings.host.empty() || settings.host.find_first_of("/@ ") != std::string::npos) {
        return bad();
    }
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) {
            return bad();
        }
        settings.port = std::stoi(port);
        if (settings.port < 1 || settings.port > 65535) return bad();
    }
    return Status::Ok();
}

// One connection to the broker: a fresh client each time, so that nothing it
// had in flight is sent again behind the archive's back.
struct MqttPublisher::Client {
    mosquitto* handle = nullptr;
    bool connected = false;
    bool lost = false;
    bool announced = false;
    std::set<int> inFlight;
    std::optional<int64_t> batchTime;  // the reading whose messages are in flight
    bool homeAssistantBack = false;
    Steady::time_point started{};

    ~Client() {
        if (handle) {
            mosquitto_disconnect(handle);
            mosquitto_destroy(handle);
        }
    }
};

MqttPublisher::MqttPublisher(MqttSettings settings, ServiceStateHolder& state, LogSink log)
    : settings_(std::move(settings)), state_(state), log_(std::move(log)),
      interval_(settings_.interval) {}

MqttPublisher::~MqttPublisher() { Stop(); }

Status MqttPublisher::Start() {
    if (!settings_.passwordFile.empty()) {
        std::ifstream in(settings_.passwordFile);
        if (!in || !std::getline(in, password_)) {
            return Status::Error("Cannot read the MQTT password file " + settings_.passwordFile);
        }
        while (!password_.empty() && (password_.back() == '\r' || password_.back() == ' ')) {
            password_.pop_back();
        }
    }
    // A first start publishes from the readings after this moment, not the
    // whole history: fixed now, before the logger adds any.
    std::error_code missing;
    if (std::filesystem::exists(settings_.archivePath, missing)) {
        auto archive = ArchiveDatabase::Open(settings_.archivePath);
        if (archive) firstCursor_ = (*archive.value)->NewestTime(settings_.station, RowSource::Live).value_or(0);
    }
    state_.Update([this](ServiceState& s) {
        s.broker = (settings_.tls ? "mqtts://" : "mqtt://") + settings_.host + ":" +
                   std::to_string(settings_.port);
    });
    thread_ = std::thread([this] { Run(); });
    return Status::Ok();
}

void MqttPublisher::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void MqttPublisher::OnReading(const ReadingSnapshot& reading) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (reading.alarms) alarms_ = reading.alarms;
        woken_ = true;
    }
    wake_.notify_all();
}

void MqttPublisher::Reconfigure(std::chrono::seconds interval) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (interval != interval_) rediscover_ = true;
    interval_ = interval;
}

void MqttPublisher::Wait(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, time, [this] { return woken_; });
    woken_ = false;
}

void MqttPublisher::Run() {
    static LibraryUse library;
    const std::string station = settings_.station;
    const std::string clientId = "corvalin-" + station;
    const std::string status = StatusTopic(station);

    std::unique_ptr<ArchiveDatabase> archive;
    std::optional<int64_t> cursor;
    std::unique_ptr<Client> client;
    Steady::time_point nextConnect{};
    std::string lastFailure;

    const auto say = [&](LogLevel level, const std::string& text) {
        if (log_) log_(level, text);
    };
    const auto setConnected = [&](bool connected) {
        state_.Update([connected](ServiceState& s) { s.brokerConnected = connected; });
    };
    const auto publish = [&](const MqttMessage& message) {
        int mid = 0;
        const int rc = mosquitto_publish(client->handle, &mid, message.topic.c_str(),
                                         static_cast<int>(message.payload.size()),
                                         message.payload.data(), QOS, message.retain);
        if (rc != MOSQ_ERR_SUCCESS) {
            client->lost = true;
            return false;
        }
        client->inFlight.insert(mid);
        return true;
    };
    const auto countQueued = [&] {
        if (!archive || !cursor) return;
        ArchiveQuery query;
        query.station = station;
        query.from = *cursor + 1;
        query.source = RowSource::Live;
        const Result<int64_t> rows = archive->Count(query);
        if (rows) state_.Update([&](ServiceState& s) { s.queued = static_cast<uint64_t>(*rows); });
    };

    while (!stopping_) {
        if (!archive) {
            auto opened = ArchiveDatabase::Open(settings_.archivePath);
            if (opened) {
                archive = std::move(*opened.value);
                if (const auto stored = archive->Setting(CursorKey(station))) {
                    cursor = std::atoll(stored->c_str());
                } else {
                    cursor = firstCursor_;
                    archive->SetSetting(CursorKey(station), std::to_string(*cursor));
                }
            } else {
                Wait(std::chrono::seconds(1));
                continue;
            }
        }

        if (!client && Steady::now() >= nextConnect) {
            nextConnect = Steady::now() + CONNECT_AGAIN;
            client = std::make_unique<Client>();
            client->handle = mosquitto_new(clientId.c_str(), true, client.get());
            mosquitto_int_option(client->handle, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
            mosquitto_will_set(client->handle, status.c_str(), 7, "offline", QOS, true);
            if (!settings_.username.empty()) {
                mosquitto_username_pw_set(client->handle, settings_.username.c_str(),
                                          password_.empty() ? nullptr : password_.c_str());
            }
            if (settings_.tls || !settings_.caFile.empty()) {
                mosquitto_tls_set(client->handle,
                                  settings_.caFile.empty() ? nullptr : settings_.caFile.c_str(),
                                  settings_.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr,
                                  nullptr, nullptr);
            }
            mosquitto_connect_callback_set(client->handle, [](mosquitto*, void* self, int rc) {
                static_cast<Client*>(self)->connected = rc == 0;
                if (rc != 0) static_cast<Client*>(self)->lost = true;
            });
            mosquitto_disconnect_callback_set(client->handle, [](mosquitto*, void* self, int) {
                static_cast<Client*>(self)->connected = false;
                static_cast<Client*>(self)->lost = true;
            });
            mosquitto_publish_callback_set(client->handle, [](mosquitto*, void* self, int mid) {
                static_cast<Client*>(self)->inFlight.erase(mid);
            });
            mosquitto_message_callback_set(
                client->handle, [](mosquitto*, void* self, const mosquitto_message* message) {
                    const std::string payload(static_cast<const char*>(message->payload),
                                              static_cast<size_t>(message->payloadlen));
                    if (payload == "online") static_cast<Client*>(self)->homeAssistantBack = true;
                });
            client->started = Steady::now();
            const int rc = mosquitto_connect_async(client->handle, settings_.host.c_str(),
                                                   settings_.port, KEEPALIVE_SECONDS);
            if (rc != MOSQ_ERR_SUCCESS) {
                const std::string failure = std::string("Cannot reach the MQTT broker ") +
                                            settings_.host + ": " + mosquitto_strerror(rc);
                if (failure != lastFailure) say(LogLevel::Warning, failure);
                lastFailure = failure;
                client.reset();
            }
        }
        if (!client) {
            countQueued();
            Wait(LOOP_WAIT);
            continue;
        }

        const int looped = mosquitto_loop(client->handle, static_cast<int>(LOOP_WAIT.count()), 1);
        if (looped != MOSQ_ERR_SUCCESS) client->lost = true;
        if (!client->connected && Steady::now() - client->started > CONNECT_WAIT) client->lost = true;
        if (client->lost) {
            if (client->announced) {
                say(LogLevel::Warning, "The MQTT broker was lost; looking for it");
            } else {
                const std::string failure = "Cannot reach the MQTT broker " + settings_.host + ":" +
                                            std::to_string(settings_.port);
                if (failure != lastFailure) say(LogLevel::Warning, failure);
                lastFailure = failure;
            }
            client.reset();
            setConnected(false);
            nextConnect = Steady::now() + CONNECT_AGAIN;
            Wait(LOOP_WAIT);
            continue;
        }
        if (!client->connected) continue;  // still connecting

        bool rediscover = false;
        std::optional<StationAlarms> alarms;
        std::chrono::seconds interval;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            rediscover = rediscover_;
            rediscover_ = false;
            alarms = alarms_;
            interval = interval_;
        }
        if (!client->announced || rediscover || client->homeAssistantBack) {
            if (!client->announced) {
                mosquitto_subscribe(client->handle, nullptr, HOME_ASSISTANT_STATUS, QOS);
                say(LogLevel::Info, "Publishing to the MQTT broker " + settings_.host + ":" +
                                        std::to_string(settings_.port));
                lastFailure.clear();
            }
            client->announced = true;
            client->homeAssistantBack = false;
            setConnected(true);
            publish({status, "online", true});
            for (const MqttMessage& message : DiscoveryMessages(station, interval)) publish(message);
        }

        // The reading in flight is taken whole: the archive's cursor moves past it.
        if (client->batchTime && client->inFlight.empty()) {
            cursor = *client->batchTime;
            client->batchTime.reset();
            archive->SetSetting(CursorKey(station), std::to_string(*cursor));
            countQueued();
        }
        if (client->batchTime || !client->inFlight.empty()) continue;

        // The next reading after the cursor, all its channels.
        ArchiveQuery next;
        next.station = station;
        next.from = *cursor + 1;
        next.source = RowSource::Live;
        next.byTime = true;
        next.limit = CHANNEL_COUNT;
        std::vector<ArchiveRow> rows;
        archive->Read(next, [&rows](const ArchivedRow& stored) {
            if (!rows.empty() && stored.row.time != rows.front().time) return false;
            rows.push_back(stored.row);
            return true;
        });
        if (rows.empty()) {
            countQueued();
            Wait(LOOP_WAIT);
            continue;
        }
        std::array<bool, CHANNEL_COUNT> present{};
        for (const ArchiveRow& row : rows) {
            present[row.channel - 1] = true;
            for (const MqttMessage& message : ReadingMessages(station, row, alarms)) {
                publish(message);
            }
        }
        for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
            if (!present[channel - 1]) publish(ChannelOffline(station, channel));
        }
        client->batchTime = rows.front().time;
    }
    if (client && client->connected) {
        // A clean goodbye: the will is only for a death.
        mosquitto_publish(client->handle, nullptr, status.c_str(), 7, "offline", QOS, true);
        mosquitto_loop(client->handle, 100, 1);
    }
}

}  // namespace corvalin
