// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/MqttPublisher.h"

#include <mosquitto.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>
#include <vector>

#include "publish/MqttMessages.h"

namespace corvalin {

namespace {

constexpr int QOS = 1;
constexpr int KEEPALIVE_SECONDS = 30;
// With nothing else to do the thread still wakes this often, for the keepalive.
constexpr auto IDLE_WAKE = std::chrono::seconds(KEEPALIVE_SECONDS / 2);
// Reconnections back off from the first delay to the longest, and start
// over after a connection that worked.
constexpr auto FIRST_RETRY = std::chrono::seconds(2);
constexpr auto LONGEST_RETRY = std::chrono::seconds(300);
// A broker that took the connection but does not answer it is given up after this.
constexpr auto CONNECT_WAIT = std::chrono::seconds(10);
// What a stop waits at most for the broker to take the last "offline".
constexpr auto GOODBYE_WAIT = std::chrono::seconds(1);

// The archive setting that keeps the newest reading the broker took whole.
std::string CursorKey(const std::string& station) { return "mqttPublished:" + station; }
// The archive setting that keeps the alert rules announced, by id, one a line.
std::string AlertsKey(const std::string& station) { return "mqttAlerts:" + station; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
    ~LibraryUse() { mosquitto_lib_cleanup(); }
};

int Milliseconds(std::chrono::steady_clock::duration duration) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 3600 * 1000));
}

}  // namespace

bool MqttSettings::SameConnection(const MqttSettings& other) const {
    return host == other.host && port == other.port && tls == other.tls && caFile == other.caFile &&
           username == other.username && password == other.password && station == other.station &&
           archivePath == other.archivePath;
}

Status ParseMqttAddress(const std::string& text, MqttSettings& settings) {
    const auto bad = [&] {
        return Status::Error("\"" + text +
                             "\" is not a broker address: give mqtt://HOST[:PORT] or "
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
// had in flight is sent again behind the archive's back. Its callbacks run
// on the publisher's thread, inside mosquitto_loop.
struct MqttPublisher::Client {
    mosquitto* handle = nullptr;
    bool connected = false;
    bool lost = false;
    std::string failure;   // why it was lost, in words
    std::string tlsError;  // what the TLS library said last
    bool announced = false;
    std::set<int> inFlight;
    std::optional<int64_t> batchTime;  // the reading whose messages are in flight
    bool homeAssistantBack = false;
    bool alertStatesDue = true;  // after each announcement
    std::chrono::steady_clock::time_point started{};

    ~Client() {
        if (handle) {
            mosquitto_disconnect(handle);
            mosquitto_destroy(handle);
        }
    }
};

MqttPublisher::MqttPublisher(MqttSettings settings, ServiceStateHolder& state, LogSink log)
    : settings_(std::move(settings)),
      state_(state),
      log_(std::move(log)),
      clientId_("corvalin-" + settings_.station),
      statusTopic_(StatusTopic(settings_.station)),
      interval_(settings_.interval),
      retryDelay_(FIRST_RETRY) {}

MqttPublisher::~MqttPublisher() { Stop(); }

Status MqttPublisher::Start() {
    // A first start publishes from the readings after this moment, not the
    // whole history: fixed now, before the logger adds any.
    std::error_code missing;
    if (std::filesystem::exists(settings_.archivePath, missing)) {
        auto archive = ArchiveDatabase::Open(settings_.archivePath);
        if (archive) {
            firstCursor_ = (*archive.value)->NewestLiveTime(settings_.station).value_or(0);
        }
    }
    state_.Update([this](ServiceState& s) {
        s.broker = (settings_.tls ? "mqtts://" : "mqtt://") + settings_.host + ":" +
                   std::to_string(settings_.port);
        s.brokerConnected = false;
    });
    thread_ = std::thread([this] { Run(); });
    return Status::Ok();
}

void MqttPublisher::Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wakeup_.Notify();
    thread_.join();
    state_.Update([](ServiceState& s) { s.brokerConnected = false; });
}

void MqttPublisher::OnReading(const ReadingSnapshot& reading) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (reading.alarms) alarms_ = reading.alarms;
    }
    wakeup_.Notify();
}

void MqttPublisher::Reconfigure(std::chrono::seconds interval) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (interval != interval_) rediscover_ = true;
        interval_ = interval;
    }
    wakeup_.Notify();
}

void MqttPublisher::SetAlerts(std::vector<AlertSensor> sensors) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (sensors == alerts_) return;
        alerts_ = std::move(sensors);
        alertsChanged_ = true;
    }
    wakeup_.Notify();
}

void MqttPublisher::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

void MqttPublisher::SayFailure(const std::string& text) {
    if (text != lastFailure_) Say(LogLevel::Warning, text);
    lastFailure_ = text;
}

void MqttPublisher::Run() {
    static LibraryUse library;
    while (!stopping_) {
        if (archive_ || OpenArchive()) {
            if (!client_ && std::chrono::steady_clock::now() >= nextConnect_) Connect();
            if (client_) Exchange();
            if (client_ && !DropLostClient() && client_->connected) {
                Announce();
                PublishAlerts();
                AdvanceCursor();
                SendNextReading();
            }
        }
        if (!stopping_) WaitForWork();
    }
    if (client_ && client_->connected) {
        // A clean goodbye: the will is only for a death.
        Publish(statusTopic_, "offline", true);
        const auto until = std::chrono::steady_clock::now() + GOODBYE_WAIT;
        while (!client_->inFlight.empty() && std::chrono::steady_clock::now() < until &&
               mosquitto_loop(client_->handle, 100, 1) == MOSQ_ERR_SUCCESS) {
        }
        // A reading the broker took during the goodbye is not sent again after a restart.
        AdvanceCursor();
    }
    client_.reset();
}

bool MqttPublisher::OpenArchive() {
    Result<std::unique_ptr<ArchiveDatabase>> opened = ArchiveDatabase::Open(settings_.archivePath);
    if (!opened) return false;
    archive_ = std::move(*opened.value);
    const std::string key = CursorKey(settings_.station);
    if (const std::optional<std::string> stored = archive_->Setting(key)) {
        cursor_ = std::atoll(stored->c_str());
    } else {
        cursor_ = firstCursor_;
        archive_->SetSetting(key, std::to_string(cursor_));
    }
    announcedAlerts_ = Lines(archive_->Setting(AlertsKey(settings_.station)).value_or(""));
    CountQueued();
    return true;
}

void MqttPublisher::Connect() {
    client_ = std::make_unique<Client>();
    Client& client = *client_;
    client.started = std::chrono::steady_clock::now();
    client.handle = mosquitto_new(clientId_.c_str(), true, &client);
    if (!client.handle) {
        client.lost = true;
        client.failure = "out of memory";
        return;
    }
    mosquitto* handle = client.handle;
    mosquitto_int_option(handle, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_will_set(handle, statusTopic_.c_str(), 7, "offline", QOS, true);
    if (!settings_.username.empty()) {
        mosquitto_username_pw_set(
            handle, settings_.username.c_str(),
            settings_.password.empty() ? nullptr : settings_.password.c_str());
    }
    if (settings_.tls || !settings_.caFile.empty()) {
        mosquitto_tls_set(handle, settings_.caFile.empty() ? nullptr : settings_.caFile.c_str(),
                          settings_.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                          nullptr);
    }
    mosquitto_connect_callback_set(handle, [](mosquitto*, void* self, int rc) {
        auto* c = static_cast<Client*>(self);
        c->connected = rc == 0;
        if (rc != 0) {
            c->lost = true;
            c->failure = mosquitto_connack_string(rc);
        }
    });
    mosquitto_disconnect_callback_set(handle, [](mosquitto*, void* self, int) {
        auto* c = static_cast<Client*>(self);
        c->connected = false;
        c->lost = true;
    });
    mosquitto_publish_callback_set(handle, [](mosquitto*, void* self, int mid) {
        static_cast<Client*>(self)->inFlight.erase(mid);
    });
    // The TLS library's own words are the only ones that name a certificate's fault.
    mosquitto_log_callback_set(handle, [](mosquitto*, void* self, int level, const char* text) {
        const std::string line = text ? text : "";
        if (level == MOSQ_LOG_ERR && line.find("SSL") != std::string::npos) {
            static_cast<Client*>(self)->tlsError = line;
        }
    });
    mosquitto_message_callback_set(
        handle, [](mosquitto*, void* self, const mosquitto_message* message) {
            const std::string payload(static_cast<const char*>(message->payload),
                                      static_cast<size_t>(message->payloadlen));
            if (payload == "online") static_cast<Client*>(self)->homeAssistantBack = true;
        });
    const int rc =
        mosquitto_connect_async(handle, settings_.host.c_str(), settings_.port, KEEPALIVE_SECONDS);
    if (rc != MOSQ_ERR_SUCCESS) {
        client.lost = true;
        client.failure = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    }
}

void MqttPublisher::Exchange() {
    Client& client = *client_;
    if (client.lost) return;
    const int looped = mosquitto_loop(client.handle, 0, 1);
    if (looped != MOSQ_ERR_SUCCESS) {
        client.lost = true;
        if (client.failure.empty() && looped != MOSQ_ERR_CONN_LOST) {
            client.failure =
                looped == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(looped);
        }
    }
    if (!client.connected && !client.lost &&
        std::chrono::steady_clock::now() - client.started > CONNECT_WAIT) {
        client.lost = true;
        client.failure = "it did not answer";
    }
}

bool MqttPublisher::DropLostClient() {
    if (!client_->lost) return false;
    const std::string address = settings_.host + ":" + std::to_string(settings_.port);
    if (!client_->tlsError.empty()) {
        client_->failure =
            "the TLS handshake failed (" + client_->tlsError +
            "); the broker's certificate was checked against " +
            (settings_.caFile.empty() ? std::string("the system's CAs in /etc/ssl/certs")
                                      : "the CA file " + settings_.caFile);
    }
    if (client_->announced) {
        Say(LogLevel::Warning, "The MQTT broker " + address + " was lost; looking for it");
        lastFailure_.clear();
    } else {
        SayFailure("Cannot reach the MQTT broker " + address +
                   (client_->failure.empty() ? std::string() : ": " + client_->failure));
    }
    client_.reset();
    state_.Update([](ServiceState& s) { s.brokerConnected = false; });
    nextConnect_ = std::chrono::steady_clock::now() + retryDelay_;
    retryDelay_ = std::min<std::chrono::seconds>(retryDelay_ * 2, LONGEST_RETRY);
    return true;
}

void MqttPublisher::Announce() {
    bool rediscover = false;
    std::chrono::seconds interval;
    std::vector<AlertSensor> alerts;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        rediscover = std::exchange(rediscover_, false);
        interval = interval_;
        alerts = alerts_;
    }
    Client& client = *client_;
    if (client.announced && !rediscover && !client.homeAssistantBack) return;
    if (!client.announced) {
        mosquitto_subscribe(client.handle, nullptr, HOME_ASSISTANT_STATUS, QOS);
        Say(LogLevel::Info, "Publishing to the MQTT broker " + settings_.host + ":" +
                                std::to_string(settings_.port));
        lastFailure_.clear();
        retryDelay_ = FIRST_RETRY;
        state_.Update([](ServiceState& s) { s.brokerConnected = true; });
    }
    client.announced = true;
    client.homeAssistantBack = false;
    // The per-entity configs of before go once, handed over to the device's.
    const std::string moved = "mqttDiscoveryMoved:" + settings_.station;
    const bool moving = !archive_->Setting(moved);
    std::vector<MqttMessage> before;
    if (moving) before = FormerDiscoveryHandOver(settings_.station);
    before.push_back({statusTopic_, "online", true});
    for (const MqttMessage& message : before)
        Publish(message.topic, message.payload, message.retain);
    PublishDiscovery(interval, alerts);
    if (moving) {
        for (const MqttMessage& message : FormerDiscoveryRemoval(settings_.station)) {
            Publish(message.topic, message.payload, message.retain);
        }
    }
    if (moving) archive_->SetSetting(moved, "1");
    client.alertStatesDue = true;
}

void MqttPublisher::PublishDiscovery(std::chrono::seconds interval,
                                     const std::vector<AlertSensor>& alerts) {
    std::vector<std::string> ids;
    for (const AlertSensor& alert : alerts) ids.push_back(alert.id);
    std::vector<std::string> removed;
    for (const std::string& old : announcedAlerts_) {
        if (std::find(ids.begin(), ids.end(), old) == ids.end()) removed.push_back(old);
    }
    const MqttMessage device = DeviceDiscovery(settings_.station, interval, alerts, removed);
    Publish(device.topic, device.payload, device.retain);
    for (const std::string& old : removed) {
        const MqttMessage emptied = AlertStateRemoval(settings_.station, old);
        Publish(emptied.topic, emptied.payload, emptied.retain);
    }
    std::string kept;
    for (const std::string& id : ids) kept += id + "\n";
    archive_->SetSetting(AlertsKey(settings_.station), kept);
    announcedAlerts_ = ids;
}

void MqttPublisher::PublishAlerts() {
    Client& client = *client_;
    std::vector<AlertSensor> alerts;
    std::chrono::seconds interval;
    bool changed = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        alerts = alerts_;
        interval = interval_;
        changed = std::exchange(alertsChanged_, false);
    }
    if (!changed && !client.alertStatesDue) return;
    std::vector<std::string> ids;
    for (const AlertSensor& alert : alerts) ids.push_back(alert.id);
    if (ids != announcedAlerts_) PublishDiscovery(interval, alerts);
    for (const AlertSensor& alert : alerts) {
        const MqttMessage state = AlertStateMessage(settings_.station, alert);
        Publish(state.topic, state.payload, state.retain);
    }
    client.alertStatesDue = false;
}

void MqttPublisher::AdvanceCursor() {
    Client& client = *client_;
    // The reading in flight was taken whole: the archive's cursor moves past it.
    if (!client.batchTime || !client.inFlight.empty()) return;
    cursor_ = *client.batchTime;
    client.batchTime.reset();
    archive_->SetSetting(CursorKey(settings_.station), std::to_string(cursor_));
    state_.Update([](ServiceState& s) { s.queued = s.queued > 0 ? s.queued - 1 : 0; });
}

void MqttPublisher::SendNextReading() {
    Client& client = *client_;
    if (client.batchTime || !client.inFlight.empty() || client.lost) return;
    const Result<std::vector<ArchiveRow>> next =
        archive_->NextLiveReading(settings_.station, cursor_);
    if (!next || next->empty()) return;
    std::optional<StationAlarms> alarms;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        alarms = alarms_;
    }
    std::array<bool, CHANNEL_COUNT> present{};
    for (const ArchiveRow& row : *next) {
        present[row.channel - 1] = true;
        for (const MqttMessage& message : ReadingMessages(settings_.station, row, alarms)) {
            Publish(message.topic, message.payload, message.retain);
        }
    }
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        if (present[channel - 1]) continue;
        const MqttMessage offline = ChannelOffline(settings_.station, channel);
        Publish(offline.topic, offline.payload, offline.retain);
    }
    client.batchTime = next->front().time;
}

void MqttPublisher::Publish(const std::string& topic, const std::string& payload, bool retain) {
    Client& client = *client_;
    int mid = 0;
    const int rc = mosquitto_publish(client.handle, &mid, topic.c_str(),
                                     static_cast<int>(payload.size()), payload.data(), QOS, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        client.lost = true;
        return;
    }
    client.inFlight.insert(mid);
}

void MqttPublisher::CountQueued() {
    const Result<int64_t> readings = archive_->LiveReadingsAfter(settings_.station, cursor_);
    if (readings)
        state_.Update([&](ServiceState& s) { s.queued = static_cast<uint64_t>(*readings); });
}

void MqttPublisher::WaitForWork() {
    const auto now = std::chrono::steady_clock::now();
    auto timeout = std::chrono::steady_clock::duration(IDLE_WAKE);
    pollfd fds[2] = {{wakeup_.fd(), POLLIN, 0}, {-1, 0, 0}};
    nfds_t count = 1;
    if (!archive_) {
        timeout = std::chrono::seconds(1);
    } else if (!client_) {
        timeout = std::min(timeout, nextConnect_ - now);
    } else {
        const int socket = mosquitto_socket(client_->handle);
        if (socket >= 0) {
            const short events = POLLIN | (mosquitto_want_write(client_->handle) ? POLLOUT : 0);
            fds[count++] = {socket, events, 0};
        }
        if (!client_->connected) timeout = std::min(timeout, client_->started + CONNECT_WAIT - now);
    }
    poll(fds, count, std::max(Milliseconds(timeout), 1));
    if (fds[0].revents & POLLIN) {
        wakeup_.Drain();
        if (archive_) CountQueued();
    }
}

}  // namespace corvalin
