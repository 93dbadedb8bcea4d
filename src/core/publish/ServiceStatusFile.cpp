// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/ServiceStatusFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "common/DataFiles.h"

namespace corvalin {

namespace {

constexpr const char* TEMPORARY_NAME = "corvalind.json.new";
constexpr int NO_LINKS = O_NOFOLLOW | O_CLOEXEC;
constexpr off_t LARGEST_STATUS = 1 << 20;

using Json = nlohmann::json;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string PathOf(const std::string& dataDir, const char* name = nullptr) {
    std::string path = dataDir + "/" + PRIVATE_FOLDER;
    return name == nullptr ? path : path + "/" + name;
}

std::string Why(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno) + ".";
}

Json OrNull(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

std::optional<double> Optional(const Json& value) {
    if (value.is_null()) return std::nullopt;
    return value.get<double>();
}

Json AlertsJson(const ServiceState& state) {
    Json firing = Json::array();
    for (const FiringAlert& alert : state.alertsFiring) {
        firing.push_back({{"rule", alert.rule},
                          {"channel", alert.channel},
                          {"quantity", alert.quantity},
                          {"value", OrNull(alert.value)},
                          {"limit", OrNull(alert.limit)},
                          {"since", alert.since}});
    }
    return {{"rules", state.alertRules}, {"sinks", state.alertSinks}, {"firing", firing}};
}

// A status file of a logger from before alerts has none.
void ReadAlerts(const Json& json, ServiceState& state) {
    if (!json.contains("alerts")) return;
    const Json& alerts = json.at("alerts");
    state.alertRules = alerts.at("rules").get<uint64_t>();
    state.alertSinks = alerts.at("sinks").get<uint64_t>();
    for (const Json& alert : alerts.at("firing")) {
        FiringAlert firing;
        firing.rule = alert.at("rule").get<std::string>();
        firing.channel = alert.at("channel").get<int>();
        firing.quantity = alert.at("quantity").get<std::string>();
        firing.value = Optional(alert.at("value"));
        firing.limit = Optional(alert.at("limit"));
        firing.since = alert.at("since").get<int64_t>();
        state.alertsFiring.push_back(firing);
    }
}

Json ToJson(const ServiceStatus& status) {
    const ServiceState& state = status.state;
    Json json{{"pid", status.pid},
              {"started", status.started},
              {"updated", status.updated},
              {"station", state.station},
              {"stationConnected", state.stationConnected},
              {"reads", state.reads},
              {"readFailures", state.readFailures},
              {"broker", state.broker},
              {"brokerConnected", state.brokerConnected},
              {"queued", state.queued},
              {"alerts", AlertsJson(state)},
              {"archiveServer", state.archiveServer},
              {"archiveServerConnected", state.archiveServerConnected},
              {"archiveServerProblem", state.archiveServerProblem},
              {"last", nullptr}};
    if (state.last) {
        Json channels = Json::array();
        for (const ArchiveRow& row : state.last->rows) {
            channels.push_back({{"channel", row.channel},
                                {"temperature", OrNull(row.temperature)},
                                {"humidity", OrNull(row.humidity)},
                                {"dewPoint", OrNull(row.dewPoint)},
                                {"heatIndex", OrNull(row.heatIndex)}});
        }
        json["last"] = {{"time", state.last->time},
                        {"sensorPresent", state.last->sensorPresent},
                        {"channels", channels}};
    }
    return json;
}

ServiceStatus FromJson(const Json& json) {
    ServiceStatus status;
    status.pid = json.at("pid").get<int64_t>();
    status.started = json.at("started").get<int64_t>();
    status.updated = json.at("updated").get<int64_t>();
    ServiceState& state = status.state;
    state.station = json.at("station").get<std::string>();
    state.stationConnected = json.at("stationConnected").get<bool>();
    state.reads = json.at("reads").get<uint64_t>();
    state.readFailures = json.at("readFailures").get<uint64_t>();
    state.broker = json.at("broker").get<std::string>();
    state.brokerConnected = json.at("brokerConnected").get<bool>();
    state.queued = json.at("queued").get<uint64_t>();
    ReadAlerts(json, state);
    // A logger from before the shared archive leaves these out.
    state.archiveServer = json.value("archiveServer", std::string());
    state.archiveServerConnected = json.value("archiveServerConnected", false);
    state.archiveServerProblem = json.value("archiveServerProblem", std::string());
    const Json& last = json.at("last");
    if (last.is_null()) return status;
    ReadingSnapshot reading;
    reading.time = last.at("time").get<int64_t>();
    reading.sensorPresent = last.at("sensorPresent").get<std::array<bool, CHANNEL_COUNT>>();
    for (const Json& channel : last.at("channels")) {
        ArchiveRow row;
        row.channel = channel.at("channel").get<int>();
        if (row.channel < 1 || row.channel > CHANNEL_COUNT) {
            throw std::out_of_range("channel " + std::to_string(row.channel));
        }
        row.time = reading.time;
        row.temperature = Optional(channel.at("temperature"));
        row.humidity = Optional(channel.at("humidity"));
        row.dewPoint = Optional(channel.at("dewPoint"));
        row.heatIndex = Optional(channel.at("heatIndex"));
        reading.rows.push_back(row);
    }
    state.last = std::move(reading);
    return status;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// The program's own folder of the data folder, never through a link; -1 with errno.
int OpenPrivateFolder(const std::string& dataDir, bool create) {
    Fd data(open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (data.get() < 0) return -1;
    if (create && mkdirat(data.get(), PRIVATE_FOLDER, 0700) != 0 && errno != EEXIST) return -1;
    return openat(data.get(), PRIVATE_FOLDER, O_RDONLY | O_DIRECTORY | NO_LINKS);
}

}  // namespace

bool ProcessAlive(int64_t pid) {
    // 0 and negative ids name process groups, not one process.
    if (pid <= 0 || pid != static_cast<pid_t>(pid)) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

Status WriteServiceStatus(const std::string& dataDir, const ServiceStatus& status) {
    Fd folder(OpenPrivateFolder(dataDir, true));
    if (folder.get() < 0) return Status::Error(Why("Cannot use the folder", PathOf(dataDir)));
    const std::string text = ToJson(status).dump(2) + "\n";
    Fd file(openat(folder.get(), TEMPORARY_NAME, O_WRONLY | O_CREAT | O_TRUNC | NO_LINKS, 0644));
    bool written = file.get() >= 0 && WriteAll(file.get(), text) && fsync(file.get()) == 0;
    written =
        written && renameat(folder.get(), TEMPORARY_NAME, folder.get(), SERVICE_STATUS_FILE) == 0;
    if (!written) {
        const std::string why = Why("Cannot write", PathOf(dataDir, SERVICE_STATUS_FILE));
        if (file.get() >= 0) unlinkat(folder.get(), TEMPORARY_NAME, 0);
        return Status::Error(why);
    }
    return Status::Ok();
}

ServiceStatusResult ReadServiceStatus(const std::string& dataDir) {
    using R = ServiceStatusResult;
    const std::string path = PathOf(dataDir, SERVICE_STATUS_FILE);
    Fd folder(OpenPrivateFolder(dataDir, false));
    Fd file(folder.get() < 0 ? -1 : openat(folder.get(), SERVICE_STATUS_FILE, O_RDONLY | NO_LINKS));
    if (file.get() < 0) {
        if (errno == ENOENT) return R::Of(std::nullopt);
        if (errno == ELOOP || errno == ENOTDIR) {
            return R::Fail("Cannot read " + path + ": a link there is not followed.");
        }
        return R::Fail(Why("Cannot read", path));
    }
    struct stat info {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > LARGEST_STATUS) {
        return R::Fail(path + " is not a status file of corvalind.");
    }
    std::string text(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = read(file.get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return R::Fail(Why("Cannot read", path));
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    text.resize(done);
    try {
        StoredServiceStatus stored{FromJson(Json::parse(text)), false};
        stored.running = ProcessAlive(stored.status.pid);
        return R::Of(stored);
    } catch (const std::exception& error) {
        return R::Fail(path + " is damaged (" + error.what() + ").");
    }
}

void RemoveServiceStatus(const std::string& dataDir) {
    Fd folder(OpenPrivateFolder(dataDir, false));
    if (folder.get() >= 0) unlinkat(folder.get(), SERVICE_STATUS_FILE, 0);
}

}  // namespace corvalin
