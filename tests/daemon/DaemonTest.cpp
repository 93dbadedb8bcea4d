// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind as a process: it stops on SIGTERM, a kill at any moment leaves
// the archive sound with the card rows and their position in step, and its
// alerts reach real receivers once as they fire and once as they clear.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "archive/ArchiveDatabase.h"
#include "publish/ServiceStatusFile.h"
#include "service/HttpClient.h"
#include "sim/SimLogs.h"
#include "support/ChildProcess.h"
#include "support/Eventually.h"
#include "support/Files.h"
#include "support/MqttBroker.h"
#include "support/NotifyReceiver.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

extern char** environ;

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Eventually;

class Daemon {
public:
    // `environment` adds NAME=VALUE entries to this process's own; its log
    // goes to `logFile`, or nowhere.
    explicit Daemon(const std::vector<std::string>& arguments,
                    std::vector<std::string> environment = {},
                    const std::string& logFile = "/dev/null") {
        std::vector<std::string> all{CORVALIND_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        for (char** e = environ; *e; ++e) envp.push_back(*e);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Daemon() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit status once it ends within `limit`; -1 if it did not.
    int WaitFor(std::chrono::milliseconds limit) {
        const auto until = Clock::now() + limit;
        while (Clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(5ms);
        }
        return -1;
    }
    void Signal(int signal) { kill(pid_, signal); }

private:
    pid_t pid_ = -1;
};

int64_t Count(const std::string& archivePath, int channel, RowSource source) {
    auto archive = ArchiveDatabase::Open(archivePath, true);
    if (!archive) return 0;
    int64_t count = 0;
    (*archive.value)->Read({.channels = {channel}}, [&](const ArchivedRow& row) {
        if (row.row.source == source) ++count;
        return true;
    });
    return count;
}

// A card log of `lines` readings a minute apart.
void WriteCardLog(const std::string& path, int lines) {
    std::ofstream log(path, std::ios::binary);
    log << "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
    for (int i = 0; i < lines; ++i)
        log << FormatLogTime(1600000000 + i * 60L) << ",20.0,50,9.3,20.0\r\n";
}

class DaemonTest : public ::testing::Test {
protected:
    std::vector<std::string> Arguments() {
        if (!std::filesystem::exists(dir.File("corvalind.conf"))) {
            std::ofstream(dir.File("corvalind.conf")) << "# nothing but the command line\n";
        }
        return {"--simulate",
                "--sim-pace",
                "0",
                "--sim-card",
                dir.File("card"),
                "--data-dir",
                dir.File("data"),
                "--interval",
                "20",
                "--config",
                dir.File("corvalind.conf")};
    }
    test::TempDir dir;
    std::string archive = dir.File("data/archive.db");
};

// A second logger on the same data folder is refused; the first stops on
// SIGTERM with its archive sound.
TEST_F(DaemonTest, OneLoggerPerDataFolderThatStopsOnSigtermAfterItsWrites) {
    std::vector<std::string> arguments = Arguments();
    arguments[6] = dir.File("new/folder/data");  // --data-dir: made with its parents
    archive = dir.File("new/folder/data/archive.db");
    Daemon first(arguments);
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Live) > 0; }));
    Daemon second(arguments);
    EXPECT_EQ(second.WaitFor(30s), 1);
    first.Signal(SIGTERM);
    // A second is what systemd is promised; the bound here only keeps a hang from lasting.
    EXPECT_EQ(first.WaitFor(30s), 0);
    auto opened = ArchiveDatabase::Open(archive);
    ASSERT_TRUE(opened);
    EXPECT_TRUE((*opened.value)->Check());
}

TEST_F(DaemonTest, AKillDuringACardSyncLeavesTheArchiveSoundAndResumable) {
    // A long log, so that the kill comes while it is being read in; its
    // local copy is whole already, so nothing is fetched.
    std::filesystem::create_directories(dir.File("card"));
    std::filesystem::create_directories(dir.File("data"));
    const int lines = 300000;
    WriteCardLog(dir.File("card/CH2.CSV"), lines);
    std::filesystem::copy_file(dir.File("card/CH2.CSV"), dir.File("data/CH2.CSV"));
    {
        Daemon daemon(Arguments());
        ASSERT_TRUE(Eventually([&] { return Count(archive, 2, RowSource::Card) > 0; }));
        daemon.Signal(SIGKILL);
        daemon.WaitFor(10s);
    }
    auto opened = ArchiveDatabase::Open(archive);
    ASSERT_TRUE(opened) << opened.error;
    EXPECT_TRUE((*opened.value)->Check());
    // Every row taken is matched by the position kept with it.
    const CardPosition position = (*opened.value)->Position("kv7500", "CH2.CSV");
    const int64_t lineBytes = static_cast<int64_t>(FormatLogTime(0).size()) + 19;
    const int64_t header = 58;
    EXPECT_EQ(Count(archive, 2, RowSource::Card),
              (static_cast<int64_t>(position.offset) - header) / lineBytes);
    opened.value->reset();

    // The next run takes the rest, and nothing twice.
    Daemon again(Arguments());
    EXPECT_TRUE(Eventually([&] { return Count(archive, 2, RowSource::Card) == lines; }, 60s))
        << Count(archive, 2, RowSource::Card);
}

// Under systemd: ready at once, and alive and saying how far it is while a
// card that takes longer than the watchdog's time comes in.
TEST_F(DaemonTest, ReadyAtOnceAndAliveThroughALongCardSync) {
    const int lines = 12000;  // some 430 kB: several seconds at the station's pace
    std::filesystem::create_directories(dir.File("card"));
    WriteCardLog(dir.File("card/CH2.CSV"), lines);
    const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir.File("notify");
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> arguments = Arguments();
    arguments[2] = "1";  // --sim-pace: a report a millisecond, as the station sends them
    Daemon daemon(arguments, {"NOTIFY_SOCKET=" + path, "WATCHDOG_USEC=2000000"});

    std::vector<std::string> messages;
    const auto until = Clock::now() + 120s;
    while (Count(archive, 2, RowSource::Card) < lines && Clock::now() < until) {
        char buffer[4096];
        const ssize_t got = recv(notify, buffer, sizeof buffer, 0);
        if (got > 0) {
            messages.emplace_back(buffer, static_cast<size_t>(got));
        } else {
            std::this_thread::sleep_for(20ms);
        }
    }
    close(notify);
    ASSERT_EQ(Count(archive, 2, RowSource::Card), lines);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.front().find("READY=1"), std::string::npos) << messages.front();
    // Each slice of the sync is a turn: its status says how far, and the heartbeat follows.
    size_t progress = 0;
    for (size_t i = 1; i + 1 < messages.size(); ++i) {
        if (messages[i].find("syncing the card: CH2.CSV") == std::string::npos) continue;
        ++progress;
        EXPECT_EQ(messages[i + 1], "WATCHDOG=1") << i;
    }
    EXPECT_GT(progress, 3u);
}

TEST_F(DaemonTest, ItsLastWillSaysOfflineWhenItIsKilled) {
    test::MqttBroker broker;
    ASSERT_TRUE(broker.Start());
    test::MqttSubscriber subscriber(broker.port());
    std::vector<std::string> arguments = Arguments();
    arguments.insert(arguments.end(), {"--mqtt", broker.Address(), "--station", "attic"});
    Daemon daemon(arguments);
    const std::string status = "corvalin/attic/status";
    ASSERT_TRUE(subscriber.WaitFor(status, 1));
    EXPECT_EQ(subscriber.On(status).back().payload, "online");
    ASSERT_TRUE(subscriber.WaitFor("corvalin/attic/ch1/state", 1));
    daemon.Signal(SIGKILL);
    daemon.WaitFor(10s);
    ASSERT_TRUE(subscriber.WaitFor(status, 2));
    EXPECT_EQ(subscriber.On(status).back().payload, "offline");
    // Retained: who comes later learns it too.
    test::MqttSubscriber later(broker.port(), "later");
    ASSERT_TRUE(later.WaitFor(status, 1));
    EXPECT_EQ(later.On(status)[0].payload, "offline");
    EXPECT_TRUE(later.On(status)[0].retained);
}

// A reload takes a new station name to every part: the old name's topics
// say offline, the new one's publish, the status file names it.
TEST_F(DaemonTest, AReloadRenamesTheStationOnTheBrokerToo) {
    test::MqttBroker broker;
    ASSERT_TRUE(broker.Start());
    test::MqttSubscriber subscriber(broker.port());
    std::vector<std::string> arguments = Arguments();
    const auto configure = [&](const char* station) {
        std::ofstream(dir.File("corvalind.conf"))
            << "station = " << station << "\nmqtt = " << broker.Address() << "\n";
    };
    configure("attic");
    Daemon daemon(arguments);
    ASSERT_TRUE(subscriber.WaitFor("corvalin/attic/ch1/state", 1));
    configure("cellar");
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(subscriber.WaitFor("corvalin/cellar/ch1/state", 1));
    EXPECT_EQ(subscriber.On("corvalin/attic/status").back().payload, "offline");
    EXPECT_EQ(subscriber.On("corvalin/cellar/status").back().payload, "online");
    ASSERT_TRUE(Eventually([&] {
        const auto status = ReadServiceStatus(dir.File("data"));
        return status && *status.value && (*status.value)->status.state.station == "cellar";
    }));
}

// The page and the metrics on one address share one server; a reload that
// takes the page away leaves the metrics there on their own.
TEST_F(DaemonTest, ThePageAndTheMetricsShareAnAddressAndAReloadSeparatesThem) {
    const uint16_t port = static_cast<uint16_t>(test::FreeLoopbackPort());
    const std::string address = "127.0.0.1:" + std::to_string(port);
    std::ofstream(dir.File("corvalind.conf"))
        << "http = " << address << "\nmetrics = " << address << "\n";
    Daemon daemon(Arguments());
    const auto status = [&](const char* path) {
        const int fd = test::Connect(port);
        if (fd < 0) return 0;
        close(fd);
        return test::Fetch(port, "GET", path).status;
    };
    ASSERT_TRUE(Eventually([&] { return status("/api/v1/current") == 200; }));
    EXPECT_EQ(status("/metrics"), 200);
    std::ofstream(dir.File("corvalind.conf")) << "metrics = " << address << "\n";
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(Eventually([&] { return status("/api/v1/current") == 404; }));
    EXPECT_EQ(status("/metrics"), 200);
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.WaitFor(60s), 0);
}

std::optional<ServiceState> LoggerState(const std::string& dataDir) {
    const ServiceStatusResult read = ReadServiceStatus(dataDir);
    if (!read || !*read.value) return std::nullopt;
    return (**read.value).status.state;
}

// CH1 crosses 30 °C for two readings (at 20 and 40 s) and comes back (at 60 s):
// each sink hears of it once as it fires and once as it clears, never in between
// nor after.
TEST_F(DaemonTest, AnAlertReachesEachSinkOnceAsItFiresAndOnceAsItClears) {
    test::NotifyReceiver receiver;
    test::MailServer mail;
    ASSERT_TRUE(receiver.Started() && mail.Started());
    std::vector<std::string> arguments = Arguments();
    arguments.insert(
        arguments.end(),
        {"--station", "attic", "--sim-sensor", "1=20,40", "--sim-sensor", "1=31,40@10",
         "--sim-sensor", "1=20,40@50", "--alert", "ch1.temperature above 30", "--notify",
         receiver.Url(), "--notify", "smtp://127.0.0.1:" + std::to_string(mail.port()),
         "--notify-mail-from", "logger@example.org", "--notify-mail-to", "me@example.org"});
    Daemon daemon(arguments);
    ASSERT_TRUE(receiver.WaitFor(1, 60s));
    EXPECT_TRUE(Eventually([&] {
        const std::optional<ServiceState> state = LoggerState(dir.File("data"));
        return state && state->alertsFiring.size() == 1 &&
               state->alertsFiring[0].rule == "ch1.temperature above 30";
    }));
    ASSERT_TRUE(receiver.WaitFor(2, 60s));
    ASSERT_TRUE(mail.WaitFor(2, 60s));
    // One reading more, and nothing more is said.
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Live) >= 5; }, 60s));
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.WaitFor(10s), 0);

    std::vector<std::string> states;
    for (const nlohmann::json& request : receiver.Requests()) {
        const nlohmann::json event = nlohmann::json::parse(request["body"].get<std::string>());
        EXPECT_EQ(
            std::tuple(event["rule"], event["station"], event["channel"], event["quantity"],
                       event["limit"]),
            std::tuple(nlohmann::json("ch1.temperature above 30"), nlohmann::json("attic"),
                       nlohmann::json(1), nlohmann::json("temperature"), nlohmann::json(30.0)));
        states.push_back(event["state"].get<std::string>() + " " + event["value"].dump());
    }
    EXPECT_EQ(states, (std::vector<std::string>{"FIRING 31.0", "CLEARED 20.0"}));
    const std::vector<std::string> mails = mail.Mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_NE(mails[0].find("Subject: Corvalin attic: CH1 FIRING\n"), std::string::npos)
        << mails[0];
    EXPECT_NE(mails[1].find("Subject: Corvalin attic: CH1 CLEARED\n"), std::string::npos)
        << mails[1];
}

TEST_F(DaemonTest, ABadRuleStopsTheStartAndOnAReloadKeepsTheOldRules) {
    std::vector<std::string> arguments = Arguments();
    arguments.insert(arguments.end(), {"--alert", "ch1.temperature abve 30"});
    Daemon refused(arguments, {}, dir.File("refused.log"));
    EXPECT_EQ(refused.WaitFor(10s), 2);
    EXPECT_NE(test::ReadAll(dir.File("refused.log"))
                  .find("Bad alert rule \"ch1.temperature abve 30\": \"abve\" is not"),
              std::string::npos);

    // The config file's rules are one a line, blanks and all.
    const std::vector<std::string> fromConfig = Arguments();
    std::ofstream(dir.File("corvalind.conf")) << "alert = ch1.temperature above 30 for 10m\n"
                                              << "alert = station lost 5m\n";
    Daemon daemon(fromConfig, {}, dir.File("daemon.log"));
    const auto rules = [&] {
        const std::optional<ServiceState> state = LoggerState(dir.File("data"));
        return state ? static_cast<int>(state->alertRules) : -1;
    };
    ASSERT_TRUE(Eventually([&] { return rules() == 2; }, 30s));
    std::ofstream(dir.File("corvalind.conf")) << "alert = ch1.temperature above 30\n"
                                              << "alert = ch2 quiet 10m\n";
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(Eventually([&] {
        return test::ReadAll(dir.File("daemon.log")).find("the old one stays") != std::string::npos;
    }));
    EXPECT_NE(test::ReadAll(dir.File("daemon.log")).find("\"quiet\" is not \"silent\""),
              std::string::npos);
    std::ofstream(dir.File("corvalind.conf")) << "alert = station-alarms\n";
    daemon.Signal(SIGHUP);
    EXPECT_TRUE(Eventually([&] { return rules() == 1; }, 30s));
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.WaitFor(10s), 0);
}

TEST_F(DaemonTest, AReloadStartsAndEndsTheForwardingToAnArchiveServer) {
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("corvalin", "pw", "weather"));
    Daemon daemon(Arguments());
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Card) > 0; }));
    std::ofstream(dir.File("corvalind.conf"))
        << "archive-server = " << server.Address("corvalin", "weather")
        << "\narchive-server-password-file = " << server.PasswordFile("pw") << "\n";
    daemon.Signal(SIGHUP);
    const auto serverRows = [&] {
        const std::string count = server.Value("weather", "SELECT count(*) FROM readings");
        return count.empty() ? int64_t{0} : std::stoll(count);
    };
    ASSERT_TRUE(Eventually([&] { return serverRows() >= Count(archive, 1, RowSource::Card); }));
    const auto serverShown = [&](bool shown) {
        const auto status = ReadServiceStatus(dir.File("data"));
        return status && *status.value &&
               (*status.value)->status.state.archiveServer.empty() != shown;
    };
    ASSERT_TRUE(Eventually([&] { return serverShown(true); }));
    std::ofstream(dir.File("corvalind.conf")) << "# no server any more\n";
    daemon.Signal(SIGHUP);
    EXPECT_TRUE(Eventually([&] { return serverShown(false); }));
}

}  // namespace
}  // namespace corvalin
