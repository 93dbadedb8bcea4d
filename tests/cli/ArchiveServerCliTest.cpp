// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <filesystem>

#include "CliFixture.h"
#include "archive/ArchiveDatabase.h"
#include "sharedarchive/SharedArchiveRows.h"
#include "sharedarchive/SharedArchiveSchema.h"
#include "support/PostgresServer.h"
#include "support/ScopedEnvironment.h"

namespace corvalin::cli {
namespace {

ArchivedRow Stored(const std::string& station, int channel, int64_t time, double temperature) {
    return {station, {channel, time, temperature, {}, {}, {}}};
}

TEST(ArchiveServerCli, WritesOutEveryStationOfTheSharedArchiveOrThePickedOne) {
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("reader", "s3cret", "weather"));
    const std::string address = server.Address("reader", "weather");
    const std::string password = server.PasswordFile("s3cret");

    const CliRun empty =
        RunTool({"archive", "--server", address, "--server-password-file", password});
    EXPECT_EQ(empty.status, EXIT_FAILED);
    EXPECT_NE(empty.err.find("the server holds no shared archive yet"), std::string::npos);

    ArchiveServer shared = *ParseArchiveServer(address);
    shared.password = "s3cret";
    auto connection = PgConnection::Connect(shared, {});
    ASSERT_TRUE(connection) << connection.error;
    ASSERT_TRUE(PrepareSharedArchive(**connection.value));
    ASSERT_TRUE(SendRows(**connection.value, {Stored("workshop", 2, 1700000060, 15.5),
                                              Stored("house", 1, 1700000000, 21.5)}));

    const std::vector<std::string> both{"archive", "--server", address, "--server-password-file",
                                        password,  "--format", "influx"};
    const CliRun all = RunTool(both);
    ASSERT_EQ(all.status, EXIT_DONE) << all.err;
    EXPECT_EQ(all.out,
              "corvalin,station=house,channel=1 temperature=21.5 1700000000\n"
              "corvalin,station=workshop,channel=2 temperature=15.5 1700000060\n");
    std::vector<std::string> one = both;
    one.insert(one.end(), {"--station", "workshop"});
    EXPECT_EQ(RunTool(one).out,
              "corvalin,station=workshop,channel=2 temperature=15.5 1700000060\n");

    const CliRun refused = RunTool({"archive", "--server", address});
    EXPECT_EQ(refused.status, EXIT_FAILED);
    EXPECT_EQ(refused.err, "Cannot read the shared archive on " +
                               ParseArchiveServer(address)->Name() +
                               ": the server asks for a password and none was given "
                               "(--archive-server-password-file, PGPASSFILE or ~/.pgpass)\n");
}

// The same rows on a server and in a local archive give the same days and
// records, station by station: the server's rows go through the rules the
// local archive's hour summaries keep, across a day of 25 hours.
TEST(ArchiveServerCli, DaysAndRecordsOfAStationAsTheLocalArchiveHasThem) {
    ZoneScope zone("Europe/Berlin");
    const int64_t dayStart = 1729980000;  // 2024-10-27, when the clock falls back
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("reader", "s3cret", "weather"));
    ArchiveServer shared = *ParseArchiveServer(server.Address("reader", "weather"));
    shared.password = "s3cret";
    auto connection = PgConnection::Connect(shared, {});
    ASSERT_TRUE(connection) << connection.error;
    ASSERT_TRUE(PrepareSharedArchive(**connection.value));

    test::TempDir dir;
    const std::string data = dir.File("data");
    std::filesystem::create_directories(data);
    auto local = ArchiveDatabase::Open(data + "/archive.db");
    ASSERT_TRUE(local) << local.error;
    // A row every quarter hour from three hours before the day to three after
    // it, the temperature the hours since it began (halved, below zero, at
    // the workshop): values a server's real keeps exactly.
    for (const auto& [station, scale] : {std::pair{"house", 1.0}, std::pair{"workshop", -0.5}}) {
        std::vector<ArchivedRow> rows;
        for (int64_t t = dayStart - 3 * 3600; t < dayStart + 28 * 3600; t += 900) {
            for (int channel : {1, 3}) {
                // + 0.0: the workshop's first -0 a plain 0, as SQLite keeps it.
                ArchivedRow stored =
                    Stored(station, channel, t, scale * (t - dayStart) / 3600 + 0.0);
                if (t % 7 != 0) stored.row.humidity = 40.0 + channel + (t / 900 % 9);
                rows.push_back(stored);
            }
        }
        ASSERT_TRUE(SendRows(**connection.value, rows));
        std::vector<ArchiveRow> own;
        for (const ArchivedRow& stored : rows) own.push_back(stored.row);
        ASSERT_TRUE((*local.value)->Add(station, own));
    }
    local.value->reset();

    const std::vector<std::string> onServer{
        "archive", "--server", server.Address("reader", "weather"), "--server-password-file",
        server.PasswordFile("s3cret")};
    const auto run = [&](std::vector<std::string> args, bool fromServer) {
        args.insert(args.begin(), {"--data-dir", data});
        if (fromServer) args.insert(args.begin() + 3, onServer.begin() + 1, onServer.end());
        return RunTool(args);
    };
    const std::vector<std::string> asked[] = {
        {"days", "--format", "json"},
        {"days", "--channel", "3", "--from", "2024-10-27", "--to", "2024-10-27"},
        {"records"},
        {"records", "--format", "json", "--channel", "1"},
    };
    for (const std::vector<std::string>& args : asked) {
        for (const char* station : {"house", "workshop"}) {
            std::vector<std::string> each{"archive"};
            each.insert(each.end(), args.begin(), args.end());
            each.insert(each.end(), {"--station", station});
            const CliRun fromServer = run(each, true);
            const CliRun fromArchive = run(each, false);
            ASSERT_EQ(fromServer.status, EXIT_DONE) << fromServer.err;
            EXPECT_EQ(fromServer.out, fromArchive.out) << station << " " << args[0];
            EXPECT_NE(fromServer.out.find(station), std::string::npos);
        }
    }
    // The day itself, from the server: 25 hours, from its first quarter to its last.
    const nlohmann::json days = nlohmann::json::parse(
        run({"archive", "days", "--format", "json", "--station", "house"}, true).out)["days"];
    ASSERT_EQ(days.size(), 6u);  // three days, two channels
    EXPECT_EQ(days[2]["date"], "2024-10-27");
    EXPECT_EQ(days[2]["temperature"]["minTime"], "2024-10-27T00:00:00+02:00");
    EXPECT_EQ(days[2]["temperature"]["max"], 24.75);
    EXPECT_EQ(days[2]["temperature"]["maxTime"], "2024-10-27T23:45:00+01:00");

    // Which station, when the server holds several, is the user's to say;
    // gaps are the local archive's.
    const std::pair<std::string, std::string> refusals[] = {
        {"records", "The shared archive on " + shared.Name() +
                        " holds several stations (house, workshop): name one with --station\n"},
        {"gaps",
         "--server reads the shared archive's rows; archive gaps works on the local "
         "archive\n"},
    };
    for (const auto& [command, said] : refusals) {
        const CliRun refused = run({"archive", command}, true);
        EXPECT_EQ(refused.status, EXIT_USAGE) << command;
        EXPECT_EQ(refused.err, said);
    }
}

}  // namespace
}  // namespace corvalin::cli
