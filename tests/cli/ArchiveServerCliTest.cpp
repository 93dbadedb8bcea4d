// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "CliFixture.h"
#include "sharedarchive/SharedArchiveRows.h"
#include "sharedarchive/SharedArchiveSchema.h"
#include "support/PostgresServer.h"

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

}  // namespace
}  // namespace corvalin::cli
