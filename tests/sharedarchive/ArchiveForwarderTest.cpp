// SPDX-License-Identifier: GPL-3.0-or-later
// The forwarder against a real PostgreSQL server that comes and goes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "archive/ArchiveDatabase.h"
#include "sharedarchive/ArchiveForwarder.h"
#include "sharedarchive/SharedArchiveRows.h"
#include "support/Eventually.h"
#include "support/LogLines.h"
#include "support/PostgresServer.h"
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

    std::unique_ptr<ArchiveForwarder> Forwarder(const std::string& password = "right") {
        ForwarderSettings settings;
        settings.server = *ParseArchiveServer(server.Address("corvalin", "weather"));
        settings.server.password = password;
        settings.archivePath = path;
        settings.batchRows = 50;
        settings.firstRetry = 20ms;
        auto forwarder = std::make_unique<ArchiveForwarder>(settings, state, log.Sink());
        forwarder->Start();
        return forwarder;
    }

    int64_t ServerRows() {
        const std::string count = server.Value("weather", "SELECT count(*) FROM readings");
        return count.empty() ? -1 : std::stoll(count);
    }

    std::vector<std::string> ServerLines() {
        ArchiveServer address = *ParseArchiveServer(server.Address("corvalin", "weather"));
        address.password = "right";
        auto connection = PgConnection::Connect(address, {});
        EXPECT_TRUE(connection) << connection.error;
        return Lines([&](const auto& visit) { return ReadRows(**connection.value, {}, visit); });
    }

    std::vector<std::string> LocalLines() {
        return Lines([&](const auto& visit) { return archive->Read({}, visit); });
    }

    test::PostgresServer server;
    test::TempDir dir;
    const std::string path = dir.File("archive.db");
    std::unique_ptr<ArchiveDatabase> archive = std::move(*ArchiveDatabase::Open(path).value);
    ServiceStateHolder state;
    test::LogLines log;
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
    archive->Add("attic", Readings(1700000000, 5000));
    auto forwarder = Forwarder();
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
    EXPECT_EQ(ServerLines(), LocalLines());
    EXPECT_EQ(log.Count("was lost"), 1u);
    EXPECT_EQ(log.Count("Forwarding the archive to postgresql://corvalin@127.0.0.1:"), 2u);
    EXPECT_TRUE(state.Get().archiveServerConnected);
}

TEST_F(ArchiveForwarderTest, ARefusingServerIsSaidOnceAndTriedAgainUntilItTakesTheRows) {
    archive->Add("attic", Readings(1700000000, 10));
    auto forwarder = Forwarder("stale");
    // The server turned it away a few times.
    ASSERT_TRUE(Eventually([&] {
        const std::string said = server.Log();
        size_t count = 0;
        for (size_t at = said.find("password authentication failed"); at != std::string::npos;
             at = said.find("password authentication failed", at + 1)) {
            ++count;
        }
        return count >= 3;
    }));
    EXPECT_EQ(log.Count("The archive server postgresql://corvalin@127.0.0.1:"), 1u);
    EXPECT_EQ(log.Count("cannot be used: password authentication failed for user \"corvalin\""),
              1u);
    EXPECT_NE(state.Get().archiveServerProblem.find("password authentication failed"),
              std::string::npos);
    ASSERT_TRUE(server.Query("postgres", "ALTER ROLE corvalin PASSWORD 'stale'"));
    ASSERT_TRUE(Eventually([&] { return ServerRows() == 20; })) << ServerRows();
}

}  // namespace
}  // namespace corvalin
