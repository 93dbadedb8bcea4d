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

// The server has no exports or summaries of its own: the same rows on a
// server and in a local archive give the same output, station by station,
// across a day of 25 hours.
TEST_F(CliTest, TheServersRowsGiveWhatTheSameRowsInTheLocalArchiveGive) {
    ZoneScope zone("Europe/Berlin");
    const int64_t dayStart = 1729980000;  // 2024-10-27, when the clock falls back
    setenv("PGPASSFILE", "/nonexistent", 1);
    test::PostgresServer server;
    ASSERT_EQ(server.problem(), "");
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.AddUser("reader", "s3cret", "weather"));
    const std::string address = server.Address("reader", "weather");
    const std::vector<std::string> onServer{"--server", address, "--server-password-file",
                                            server.PasswordFile("s3cret")};
    const auto run = [&](std::vector<std::string> args, bool fromServer) {
        if (fromServer) args.insert(args.begin() + 1, onServer.begin(), onServer.end());
        args.insert(args.begin(), {"--data-dir", data});
        return RunTool(args);
    };
    ExpectSaid(run({"archive"}, true), EXIT_FAILED, "the server holds no shared archive yet");

    ArchiveServer shared = *ParseArchiveServer(address);
    shared.password = "s3cret";
    auto connection = PgConnection::Connect(shared, {});
    ASSERT_TRUE(connection) << connection.error;
    ASSERT_TRUE(PrepareSharedArchive(**connection.value));
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
                ArchivedRow stored{station,
                                   {channel, t, scale * (t - dayStart) / 3600 + 0.0, {}, {}, {}}};
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

    const std::vector<std::string> asked[] = {
        {"archive", "--format", "json", "--station", "workshop"},
        {"archive", "days", "--channel", "3", "--from", "2024-10-27", "--to", "2024-10-27",
         "--station", "workshop"},
        {"archive", "records", "--format", "json", "--channel", "1", "--station", "workshop"},
    };
    for (const std::vector<std::string>& args : asked) {
        const CliRun fromServer = run(args, true);
        ASSERT_EQ(fromServer.status, EXIT_DONE) << fromServer.err;
        EXPECT_EQ(fromServer.out, run(args, false).out) << args[1] << " " << args.back();
        EXPECT_NE(fromServer.out.find("workshop"), std::string::npos) << args[1];
    }

    // Which station, when the server holds several, is the user's to say;
    // gaps are the local archive's; a password is the server's to ask for.
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"archive", "records"},
         "The shared archive on " + shared.Name() +
             " holds several stations (house, workshop): name one with --station\n"},
        {{"archive", "gaps"},
         "--server reads the shared archive's rows; archive gaps works on the local archive\n"},
    };
    for (const auto& [args, said] : refusals) {
        const CliRun refused = run(args, true);
        EXPECT_EQ(refused.status, EXIT_USAGE) << args.back();
        EXPECT_EQ(refused.err, said);
    }
    // Which words say so is the connection's to test.
    ExpectSaid(RunTool({"archive", "--server", address}), EXIT_FAILED,
               "Cannot read the shared archive on " + shared.Name() + ": the server asks for a");
}

}  // namespace
}  // namespace corvalin::cli
