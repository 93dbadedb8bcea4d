// SPDX-License-Identifier: GPL-3.0-or-later
// The forwarder against a real PostgreSQL server that comes and goes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "archive/ArchiveDatabase.h"
#include "logger/StationLogger.h"
#include "sharedarchive/ArchiveForwarder.h"
#include "sharedarchive/SharedArchiveRows.h"
#include "support/Eventually.h"
#include "support/LoggerRig.h"
#include "support/PostgresServer.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using test::Eventually;

// Every row of an archive as text, in the order of station, channel and time.
std::vector<std::string> Lines(
    const std::function<Status(const std::function<bool(const ArchivedRow&)>&)>& read) {
    std::vector<std::string> lines;
    const auto number = [](const std::optional<double>& value) {
        return value ? std::to_string(*value) : std::string("-");
    };
    EXPECT_TRUE(read([&](const ArchivedRow& stored) {
        const ArchiveRow& row = stored.row;
        lines.push_back(stored.station + " " + std::to_string(row.channel) + " " +
                        std::to_string(row.time) + " " + number(row.temperature) + " " +
                        number(row.humidity) + " " + number(row.dewPoint) + " " +
                        number(row.heatIndex) + " " + SourceName(row.source));
        return true;
    }));
    return lines;
}

class ArchiveForwarderTest : public ::testing::Test {
protected:
    ArchiveForwarderTest() {
        setenv("PGPASSFILE", "/nonexistent", 1);
        EXPECT_EQ(server.problem(), "");
        EXPECT_TRUE(server.Start());
        EXPECT_TRUE(server.AddUser("corvalin", "right", "weather"));
    }

    std::unique_ptr<ArchiveForwarder> Forwarder(const std::string& archivePath,
                                                const std::string& password = "right") {
        ForwarderSettings settings;
        settings.server = *ParseArchiveServer(server.Address("corvalin", "weather"));
        settings.server.password = password;
        settings.archivePath = archivePath;
        settings.batchRows = 50;
        settings.firstRetry = 20ms;
        auto forwarder = std::make_unique<ArchiveForwarder>(
            settings, state, [this](LogLevel, const std::string& text) {
                std::lock_guard<std::mutex> guard(mutex);
                said.push_back(text);
            });
        forwarder->Start();
        return forwarder;
    }

    int64_t ServerRows() {
        const std::string count = server.Value("weather", "SELECT count(*) FROM readings");
        return count.empty() ? -1 : std::stoll(count);
    }

    std::vector<std::string> ServerLines(const std::optional<std::string>& station = {}) {
        ArchiveServer address = *ParseArchiveServer(server.Address("corvalin", "weather"));
        address.password = "right";
        auto connection = PgConnection::Connect(address, {});
        EXPECT_TRUE(connection) << connection.error;
        return Lines([&](const auto& visit) {
            return ReadRows(**connection.value, {.station = station}, visit);
        });
    }

    static std::vector<std::string> LocalLines(const std::string& archivePath) {
        auto archive = ArchiveDatabase::Open(archivePath, true);
        EXPECT_TRUE(archive) << archive.error;
        return Lines([&](const auto& visit) { return (*archive.value)->Read({}, visit); });
    }

    size_t Said(const std::string& part) {
        std::lock_guard<std::mutex> guard(mutex);
        return std::count_if(said.begin(), said.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    test::PostgresServer server;
    test::TempDir dir;
    ServiceStateHolder state;
    std::mutex mutex;
    std::vector<std::string> said;
};

std::vector<ArchiveRow> Readings(int64_t from, int count, RowSource source = RowSource::Live) {
    std::vector<ArchiveRow> rows;
    for (int i = 0; i < count; ++i) {
        for (int channel : {1, 3}) {
            rows.push_back(
                {channel, from + 60 * i, 20.0 + 0.1 * (i % 50), 40.0 + channel, {}, {}, source});
        }
    }
    return rows;
}

TEST_F(ArchiveForwarderTest, EveryRowArrivesExactlyOnceWhileTheServerGoesAndComesBack) {
    const std::string path = dir.File("archive.db");
    auto archive = std::move(*ArchiveDatabase::Open(path).value);
    archive->Add("attic", Readings(1700000000, 5000));
    auto forwarder = Forwarder(path);
    ASSERT_TRUE(Eventually([&] { return ServerRows() > 0; }));
    server.Stop();
    ASSERT_TRUE(Eventually([&] { return !state.Get().archiveServerConnected; }));
    // Away: new readings, and a card's log that fills a gap behind them all.
    archive->Add("attic", Readings(1700000000 + 60 * 5000, 100));
    forwarder->RowsAdded();
    archive->Add("attic", Readings(1600000000, 100, RowSource::Card));
    forwarder->RowsAdded();
    EXPECT_FALSE(state.Get().archiveServerProblem.empty());
    ASSERT_TRUE(server.Start());
    const int64_t local = 2 * (5000 + 100 + 100);
    ASSERT_TRUE(Eventually([&] { return ServerRows() == local; })) << ServerRows();
    EXPECT_EQ(ServerLines(), LocalLines(path));
    EXPECT_EQ(Said("was lost"), 1u);
    EXPECT_EQ(Said("Forwarding the archive to postgresql://corvalin@127.0.0.1:"), 2u);
    EXPECT_TRUE(state.Get().archiveServerConnected);
}

TEST_F(ArchiveForwarderTest, ARefusingServerIsSaidOnceAndTriedAgainUntilItTakesTheRows) {
    const std::string path = dir.File("archive.db");
    auto archive = std::move(*ArchiveDatabase::Open(path).value);
    archive->Add("attic", Readings(1700000000, 10));
    auto forwarder = Forwarder(path, "stale");
    // The server turned it away a few times.
    ASSERT_TRUE(Eventually([&] {
        const std::string log = server.Log();
        size_t count = 0;
        for (size_t at = log.find("password authentication failed"); at != std::string::npos;
             at = log.find("password authentication failed", at + 1)) {
            ++count;
        }
        return count >= 3;
    }));
    EXPECT_EQ(Said("The archive server postgresql://corvalin@127.0.0.1:"), 1u);
    EXPECT_EQ(Said("cannot be used: password authentication failed for user \"corvalin\""), 1u);
    EXPECT_NE(state.Get().archiveServerProblem.find("password authentication failed"),
              std::string::npos);
    ASSERT_TRUE(server.Query("postgres", "ALTER ROLE corvalin PASSWORD 'stale'"));
    ASSERT_TRUE(Eventually([&] { return ServerRows() == 20; })) << ServerRows();
}

TEST_F(ArchiveForwarderTest, TwoStationsWithTheirOwnSerialsAndDataFoldersMeetInOneServer) {
    struct Home {
        explicit Home(const std::string& serial) : rig(Options(serial)) {
            settings.dataDir = data.path();
            settings.interval = 300s;
            settings.station = serial;
            logger.Configure(settings);
        }
        static SimOptions Options(const std::string& serial) {
            SimOptions options = test::TwoSensors();
            options.serial = serial;
            return options;
        }
        test::SimRig rig;
        test::TempDir data;
        test::TestClock clock;
        LoggerSettings settings;
        StationLogger logger{rig.session(), clock, {}};
    };
    Home house("HOUSE-1"), workshop("SHOP-2");
    std::vector<std::unique_ptr<ArchiveForwarder>> forwarders;
    for (Home* home : {&house, &workshop}) {
        home->logger.Turn();  // the card, and the first reading
        forwarders.push_back(Forwarder(home->data.File(ARCHIVE_DATABASE_FILE)));
    }
    for (int turn = 0; turn < 5; ++turn) {
        for (size_t i = 0; i < 2; ++i) {
            Home& home = i == 0 ? house : workshop;
            home.clock.now += home.settings.interval;
            home.logger.Turn();
            forwarders[i]->RowsAdded();
        }
    }
    const std::vector<std::string> houseRows = LocalLines(house.data.File(ARCHIVE_DATABASE_FILE));
    const std::vector<std::string> shopRows = LocalLines(workshop.data.File(ARCHIVE_DATABASE_FILE));
    ASSERT_GT(houseRows.size(), 12u);  // the card's days and six readings of two channels
    ASSERT_TRUE(Eventually([&] {
        return ServerRows() == static_cast<int64_t>(houseRows.size() + shopRows.size());
    })) << ServerRows();
    EXPECT_EQ(ServerLines("HOUSE-1"), houseRows);
    EXPECT_EQ(ServerLines("SHOP-2"), shopRows);
}

}  // namespace
}  // namespace corvalin
