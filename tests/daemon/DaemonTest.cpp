// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind as a process: a kill at any moment leaves the archive sound with
// the card rows and their position in step, a reload takes a new configuration
// whole or keeps the old one, and its alerts reach real receivers once as they
// fire and once as they clear.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

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

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Eventually;

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

// A card log of `lines` readings a minute apart, in a folder made for it.
void WriteCardLog(const std::string& path, int lines) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream log(path, std::ios::binary);
    log << "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
    for (int i = 0; i < lines; ++i)
        log << FormatLogTime(1600000000 + i * 60L) << ",20.0,50,9.3,20.0\r\n";
}

std::optional<ServiceState> LoggerState(const std::string& dataDir) {
    const ServiceStatusResult read = ReadServiceStatus(dataDir);
    if (!read || !*read.value) return std::nullopt;
    return (**read.value).status.state;
}

class DaemonTest : public ::testing::Test {
protected:
    // corvalind on the simulated station, with `more` arguments and corvalind.conf.
    std::vector<std::string> Command(const std::vector<std::string>& more = {}) {
        if (!std::filesystem::exists(dir.File("corvalind.conf"))) {
            Configure("# nothing but the command line\n");
        }
        // clang-format off
        std::vector<std::string> command{CORVALIND_PATH, "--simulate", "--sim-pace", "0",
            "--sim-card", dir.File("card"), "--data-dir", data, "--interval", "20",
            "--config", dir.File("corvalind.conf")};
        // clang-format on
        command.insert(command.end(), more.begin(), more.end());
        return command;
    }
    void Configure(const std::string& text) { test::WriteAll(dir.File("corvalind.conf"), text); }

    test::TempDir dir;
    std::string data = dir.File("new/folder/data");  // made with its parents
    std::string archive = data + "/archive.db";
};

TEST_F(DaemonTest, AKillDuringACardSyncLeavesTheArchiveSoundAndResumable) {
    // A long log, so that the kill comes while it is being read in; its
    // local copy is whole already, so nothing is fetched.
    std::filesystem::create_directories(data);
    const int lines = 300000;
    WriteCardLog(dir.File("card/CH2.CSV"), lines);
    std::filesystem::copy_file(dir.File("card/CH2.CSV"), data + "/CH2.CSV");
    {
        test::ChildProcess daemon(Command());
        ASSERT_TRUE(Eventually([&] { return Count(archive, 2, RowSource::Card) > 0; }));
        daemon.Signal(SIGKILL);
        daemon.Wait();
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
    test::ChildProcess again(Command());
    EXPECT_TRUE(Eventually([&] { return Count(archive, 2, RowSource::Card) == lines; }, 60s))
        << Count(archive, 2, RowSource::Card);
}

// Under systemd: ready at once, and alive and saying how far it is while a
// card that takes longer than the watchdog's time comes in.
TEST_F(DaemonTest, ReadyAtOnceAndAliveThroughALongCardSync) {
    const int lines = 12000;  // some 430 kB: several seconds at the station's pace
    WriteCardLog(dir.File("card/CH2.CSV"), lines);
    const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const timeval tick{0, 20000};  // the archive is looked at between messages
    setsockopt(notify, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir.File("notify");
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> command = Command();
    command[3] = "1";  // --sim-pace: a report a millisecond, as the station sends them
    test::ChildProcess daemon(command, {"NOTIFY_SOCKET=" + path, "WATCHDOG_USEC=2000000"});

    std::vector<std::string> messages;
    const auto until = Clock::now() + 120s;
    while (Count(archive, 2, RowSource::Card) < lines && Clock::now() < until) {
        char buffer[4096];
        const ssize_t got = recv(notify, buffer, sizeof buffer, 0);
        if (got > 0) messages.emplace_back(buffer, static_cast<size_t>(got));
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

// A reload takes a new station name to the broker: the old name's topics say
// offline, the new one's publish. Killed, its last will says offline, kept
// for who comes later.
TEST_F(DaemonTest, AReloadRenamesTheStationOnTheBrokerAndItsLastWillSaysOffline) {
    test::MqttBroker broker;
    ASSERT_TRUE(broker.Start());
    test::MqttSubscriber subscriber(broker.port());
    Configure("station = attic\nmqtt = " + broker.Address() + "\n");
    test::ChildProcess daemon(Command());
    ASSERT_TRUE(subscriber.WaitFor("corvalin/attic/ch1/state", 1));
    Configure("station = cellar\nmqtt = " + broker.Address() + "\n");
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(subscriber.WaitFor("corvalin/cellar/ch1/state", 1));
    EXPECT_EQ(subscriber.On("corvalin/attic/status").back().payload, "offline");
    const std::string status = "corvalin/cellar/status";
    EXPECT_EQ(subscriber.On(status).back().payload, "online");
    ASSERT_TRUE(Eventually([&] {
        const std::optional<ServiceState> state = LoggerState(data);
        return state && state->station == "cellar";
    }));
    const size_t said = subscriber.On(status).size();
    daemon.Signal(SIGKILL);
    daemon.Wait();
    ASSERT_TRUE(subscriber.WaitFor(status, said + 1));
    EXPECT_EQ(subscriber.On(status).back().payload, "offline");
    test::MqttSubscriber later(broker.port(), "later");
    ASSERT_TRUE(later.WaitFor(status, 1));
    EXPECT_EQ(later.On(status)[0].payload, "offline");
    EXPECT_TRUE(later.On(status)[0].retained);
}

// CH1 is above 30 °C for two readings (at 0 and 20 s) and comes back (at 40 s):
// each sink hears of it once as it fires and once as it clears, never in between
// nor after.
TEST_F(DaemonTest, AnAlertReachesEachSinkOnceAsItFiresAndOnceAsItClears) {
    test::NotifyReceiver receiver;
    test::MailServer mail;
    ASSERT_TRUE(receiver.Started() && mail.Started());
    test::ChildProcess daemon(
        Command({"--station", "attic", "--sim-sensor", "1=31,40", "--sim-sensor", "1=20,40@30",
                 "--alert", "ch1.temperature above 30", "--notify", receiver.Url(), "--notify",
                 "smtp://127.0.0.1:" + std::to_string(mail.port()), "--notify-mail-from",
                 "logger@example.org", "--notify-mail-to", "me@example.org"}));
    ASSERT_TRUE(receiver.WaitFor(1, 60s));
    EXPECT_TRUE(Eventually([&] {
        const std::optional<ServiceState> state = LoggerState(data);
        return state && state->alertsFiring.size() == 1 &&
               state->alertsFiring[0].rule == "ch1.temperature above 30";
    }));
    ASSERT_TRUE(receiver.WaitFor(2, 60s));
    ASSERT_TRUE(mail.WaitFor(2, 60s));
    // One reading more, and nothing more is said.
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Live) >= 4; }, 60s));
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.Wait(), 0);

    std::vector<std::string> states;
    for (const nlohmann::json& request : receiver.Requests()) {
        const nlohmann::json event = nlohmann::json::parse(request["body"].get<std::string>());
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

// A second logger on the same data folder is refused. A reload takes the new configuration whole,
// or keeps the old one whole when it has a mistake: the page and the metrics on one address share
// one server until the page goes, the rules change, the forwarding to an
// archive server starts and ends. SIGTERM stops it with its archive sound.
TEST_F(DaemonTest, AReloadTakesTheNewConfigurationWholeOrKeepsTheOld) {
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("corvalin", "pw", "weather"));
    const uint16_t port = static_cast<uint16_t>(test::FreeLoopbackPort());
    const std::string address = "127.0.0.1:" + std::to_string(port);
    // The config file's rules are one a line, blanks and all.
    Configure("http = " + address + "\nmetrics = " + address +
              "\nalert = ch1.temperature above 30 for 10m\nalert = station lost 5m\n");
    test::ChildProcess daemon(Command(), {}, dir.File("daemon.log"));
    const auto status = [&](const char* path) { return test::Fetch(port, "GET", path).status; };
    const auto shown = [&](uint64_t rules, bool archiveServer) {
        const std::optional<ServiceState> state = LoggerState(data);
        return state && state->alertRules == rules && state->archiveServer.empty() != archiveServer;
    };
    ASSERT_TRUE(Eventually([&] { return status("/api/v1/current") == 200; }));
    ASSERT_TRUE(Eventually([&] { return shown(2, false); }));
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Card) > 0; }));
    test::ChildProcess second(Command());
    EXPECT_EQ(second.Wait(), 1);

    Configure("metrics = " + address +
              "\nalert = ch1.temperature above 30\nalert = ch2 quiet 10m\n");
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(Eventually([&] {
        return test::ReadAll(dir.File("daemon.log")).find("the old one stays") != std::string::npos;
    }));
    EXPECT_NE(test::ReadAll(dir.File("daemon.log")).find("\"quiet\" is not \"silent\""),
              std::string::npos);
    EXPECT_EQ(status("/api/v1/current"), 200);

    Configure("metrics = " + address + "\nalert = station-alarms\narchive-server = " +
              server.Address("corvalin", "weather") +
              "\narchive-server-password-file = " + server.PasswordFile("pw") + "\n");
    daemon.Signal(SIGHUP);
    ASSERT_TRUE(Eventually([&] { return status("/api/v1/current") == 404; }));
    EXPECT_EQ(status("/metrics"), 200);
    ASSERT_TRUE(Eventually([&] { return shown(1, true); }));
    ASSERT_TRUE(Eventually(
        [&] { return server.Value("weather", "SELECT count(*) > 0 FROM readings") == "t"; }));
    Configure("# no server any more\n");
    daemon.Signal(SIGHUP);
    EXPECT_TRUE(Eventually([&] { return shown(0, false); }));

    daemon.Signal(SIGTERM);
    // A second is what systemd is promised; the bound here only keeps a hang from lasting.
    EXPECT_EQ(daemon.Wait(60s), 0);
    auto opened = ArchiveDatabase::Open(archive);
    ASSERT_TRUE(opened);
    EXPECT_TRUE((*opened.value)->Check());
}

}  // namespace
}  // namespace corvalin
