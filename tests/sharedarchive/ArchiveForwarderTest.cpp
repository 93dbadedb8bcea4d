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

using Rows = std::vector<std::pair<std::string, ArchiveRow>>;

// Every row of an archive with its station, in the order of station, channel and time.
Rows AllRows(const std::function<Status(const std::function<bool(const ArchivedRow&)>&)>& read) {
    Rows rows;
    EXPECT_TRUE(read([&](const ArchivedRow& stored) {
        rows.emplace_back(stored.station, stored.row);
        return true;
    }));
    return rows;
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

    int64_t ServerCount() {
        const std::string count = server.Value("weather", "SELECT count(*) FROM readings");
        return count.empty() ? -1 : std::stoll(count);
    }

    Rows ServerRows() {
        ArchiveServer address = *ParseArchiveServer(server.Address("corvalin", "weather"));
        address.password = "right";
        auto connection = PgConnection::Connect(address, {});
        EXPECT_TRUE(connection) << connection.error;
        return AllRows([&](const auto& visit) { return ReadRows(**connection.value, {}, visit); });
    }

    Rows LocalRows() {
        return AllRows([&](const auto& visit) { return archive->Read({}, visit); });
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
                {channel, from + 60 * i, 20.0 + 0.25 * (i % 50), 40.0 + channel, {}, {}, source});
        }
    }
    return rows;
}

TEST_F(ArchiveForwarderTest, EveryRowArrivesExactlyOnceWhileTheServerGoesAndComesBack) {
    archive->Add("attic", Readings(1700000000, 5000));
    auto forwarder = Forwarder();
    ASSERT_TRUE(Eventually([&] { return ServerCount() > 0; }));
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
    ASSERT_TRUE(Eventually([&] { return ServerCount() == local; })) << ServerCount();
    EXPECT_EQ(ServerRows(), LocalRows());
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
    ASSERT_TRUE(server.Query("postgres", "ALTER ROLE corvalin PASSWORD 'stale'"));
    ASSERT_TRUE(Eventually([&] { return ServerCount() == 20; })) << ServerCount();
}

}  // namespace
}  // namespace corvalin
