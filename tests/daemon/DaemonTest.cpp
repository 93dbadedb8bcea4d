// SPDX-License-Identifier: GPL-3.0-or-later
// corvalind as a process: it stops on SIGTERM, and a kill at any moment
// leaves the archive sound with the card rows and their position in step.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "archive/ArchiveDatabase.h"
#include "publish/ServiceStatusFile.h"
#include "sim/SimLogs.h"
#include "support/MqttBroker.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

extern char** environ;

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Daemon {
public:
    explicit Daemon(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{CORVALIND_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
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

// Waits (bounded) until `ready` holds.
bool Eventually(const std::function<bool()>& ready, std::chrono::seconds limit = 60s) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (ready()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
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

TEST_F(DaemonTest, StopsOnSigtermAfterItsWrites) {
    Daemon daemon(Arguments());
    ASSERT_TRUE(Eventually([&] { return Count(archive, 1, RowSource::Live) > 0; }));
    daemon.Signal(SIGTERM);
    // A second is what systemd is promised; the bound here only keeps a hang from lasting.
    EXPECT_EQ(daemon.WaitFor(10s), 0);
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
    {
        std::ofstream log(dir.File("card/CH2.CSV"), std::ios::binary);
        log << "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
        for (int i = 0; i < lines; ++i) {
            log << FormatLogTime(1600000000 + i * 60L) << ",20.0,50,9.3,20.0\r\n";
        }
    }
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

// Every row of a station, as text in the order of channel and time: from
// the local archive, and from the server (its reals print as the doubles did).
std::vector<std::string> LocalRows(const std::string& archivePath) {
    std::vector<std::string> rows;
    auto archive = ArchiveDatabase::Open(archivePath, true);
    EXPECT_TRUE(archive) << archive.error;
    const auto text = [](const std::optional<double>& value) {
        char digits[32] = "-";
        if (value) std::snprintf(digits, sizeof digits, "%g", *value);
        return std::string(digits);
    };
    (*archive.value)->Read({}, [&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        rows.push_back(stored.station + " " + std::to_string(row.channel) + " " +
                       std::to_string(row.time) + " " + text(row.temperature) + " " +
                       text(row.humidity) + " " + text(row.dewPoint) + " " + text(row.heatIndex) +
                       " " + SourceName(row.source));
        return true;
    });
    return rows;
}

std::vector<std::string> ServerRows(test::PostgresServer& server, const std::string& station) {
    std::vector<std::string> rows;
    const auto found =
        server.Query("weather",
                     "SELECT concat_ws(' ', station, channel, extract(epoch FROM time)::bigint, "
                     "coalesce(temperature::text, '-'), coalesce(humidity::text, '-'), "
                     "coalesce(dew_point::text, '-'), coalesce(heat_index::text, '-'), source) "
                     "FROM readings WHERE station = '" +
                         station + "' ORDER BY channel, time");
    if (found) {
        for (const auto& row : *found) rows.push_back(*row[0]);
    }
    return rows;
}

int64_t LiveRows(const std::string& archivePath) {
    auto archive = ArchiveDatabase::Open(archivePath, true);
    if (!archive) return 0;
    return *(*archive.value)->Count({.source = RowSource::Live});
}

TEST_F(DaemonTest, TwoStationsMeetInOneServerThatGoesAwayAndEveryRowArrivesOnce) {
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("corvalin", "pw", "weather"));
    const std::vector<std::string> serials{"HOUSE-1", "SHOP-2"};
    std::vector<test::TempDir> homes(2);
    std::vector<std::unique_ptr<Daemon>> daemons;
    for (size_t i = 0; i < 2; ++i) {
        std::ofstream(homes[i].File("corvalind.conf")) << "# the command line only\n";
        daemons.push_back(std::make_unique<Daemon>(std::vector<std::string>{
            "--simulate", "--sim-pace", "0", "--sim-card", homes[i].File("card"), "--sim-serial",
            serials[i], "--data-dir", homes[i].File("data"), "--interval", "20", "--config",
            homes[i].File("corvalind.conf"), "--archive-server",
            server.Address("corvalin", "weather"), "--archive-server-password-file",
            server.PasswordFile("pw")}));
    }
    const auto arrived = [&](size_t i) { return ServerRows(server, serials[i]).size(); };
    ASSERT_TRUE(Eventually([&] { return arrived(0) > 0 && arrived(1) > 0; }));

    // Away long enough for each logger to take a reading or more.
    server.Stop();
    std::vector<int64_t> before;
    for (size_t i = 0; i < 2; ++i) before.push_back(LiveRows(homes[i].File("data/archive.db")));
    ASSERT_TRUE(Eventually([&] {
        return LiveRows(homes[0].File("data/archive.db")) > before[0] &&
               LiveRows(homes[1].File("data/archive.db")) > before[1];
    }));
    ASSERT_TRUE(server.Start());
    for (size_t i = 0; i < 2; ++i) {
        const std::string local = homes[i].File("data/archive.db");
        ASSERT_EQ(LocalRows(local).front().substr(0, serials[i].size()), serials[i]);
        // Rows come as long as the logger runs: the server catches up with them all.
        EXPECT_TRUE(
            Eventually([&] { return ServerRows(server, serials[i]) == LocalRows(local); }, 180s))
            << serials[i] << ": " << arrived(i) << " of " << LocalRows(local).size();
    }
    for (auto& daemon : daemons) {
        daemon->Signal(SIGTERM);
        EXPECT_EQ(daemon->WaitFor(10s), 0);
    }
    EXPECT_EQ(server.Value("weather", "SELECT count(DISTINCT station) FROM readings"), "2");
}

}  // namespace
}  // namespace corvalin
