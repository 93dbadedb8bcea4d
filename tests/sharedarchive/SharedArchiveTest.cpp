// SPDX-License-Identifier: GPL-3.0-or-later
// The shared archive's address, connection, tables and rows, against a real
// PostgreSQL server.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sharedarchive/ArchiveServer.h"
#include "sharedarchive/PgConnection.h"
#include "sharedarchive/SharedArchiveRows.h"
#include "sharedarchive/SharedArchiveSchema.h"
#include "support/PostgresServer.h"

namespace corvalin {
namespace {

TEST(ArchiveServer, ReadsALibpqAddressAndRefusesWhatCannotServe) {
    const auto server = ParseArchiveServer("postgresql://corvalin@db.lan/weather?sslmode=require");
    ASSERT_TRUE(server) << server.error;
    EXPECT_EQ(server->Name(), "postgresql://corvalin@db.lan:5432/weather");
    EXPECT_EQ(ParseArchiveServer("postgres://u@[::1]:6543/w")->Name(),
              "postgresql://u@[::1]:6543/w");
    const std::pair<const char*, const char*> refused[] = {
        {"mysql://u@h/db", "does not begin with postgresql://"},
        {"postgresql://u@h", "it names no database"},
        {"postgresql:///db", "it names no host"},
        {"postgresql://u:secret@h/db", "not in the address"},
        {"postgresql://u@h/db?nonsense=1", "invalid URI query parameter"},
    };
    for (const auto& [text, why] : refused) {
        const auto parsed = ParseArchiveServer(text);
        ASSERT_FALSE(parsed) << text;
        EXPECT_NE(parsed.error.find(why), std::string::npos) << parsed.error;
    }
}

class SharedArchiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("PGPASSFILE", "/nonexistent", 1);  // only the passwords the tests give
        server = new test::PostgresServer();
        ASSERT_EQ(server->problem(), "");
        ASSERT_TRUE(server->Start());
        ASSERT_TRUE(server->AddUser("corvalin", "right", "weather"));
    }
    static void TearDownTestSuite() { delete server; }

    static Result<std::unique_ptr<PgConnection>> Connect(const std::string& database,
                                                         const std::string& password = "right") {
        ArchiveServer address = *ParseArchiveServer(server->Address("corvalin", database));
        address.password = password;
        return PgConnection::Connect(address, {});
    }

    static test::PostgresServer* server;
};

test::PostgresServer* SharedArchiveTest::server = nullptr;

TEST_F(SharedArchiveTest, AWrongPasswordAndAMissingDatabaseSayWhatIsWrong) {
    struct Case {
        std::string database, password, said;
    };
    const Case cases[] = {
        {"weather", "wrong",
         "password authentication failed for user \"corvalin\" (the password comes from "
         "--archive-server-password-file, PGPASSFILE or ~/.pgpass)"},
        {"weather", "",
         "the server asks for a password and none was given (--archive-server-password-file, "
         "PGPASSFILE or ~/.pgpass)"},
        {"nowhere", "right",
         "database \"nowhere\" does not exist on the server (create it there, e.g. with createdb)"},
    };
    for (const Case& c : cases) {
        const auto connected = Connect(c.database, c.password);
        ASSERT_FALSE(connected);
        EXPECT_EQ(connected.error, c.said);
    }
}

TEST_F(SharedArchiveTest, TheTablesAreMadeOnceAndATableOfAnotherShapeOrVersionIsRefused) {
    auto connection = Connect("weather");
    ASSERT_TRUE(connection) << connection.error;
    PgConnection& weather = **connection.value;
    ASSERT_TRUE(PrepareSharedArchive(weather));
    ASSERT_TRUE(PrepareSharedArchive(weather));  // a second look finds them as they should be
    EXPECT_EQ(server->Value("weather",
                            "SELECT string_agg(version::text, ',') FROM "
                            "corvalin_schema_version"),
              "1");

    struct Case {
        const char* database;
        const char* made;
        const char* said;
    };
    const Case cases[] = {
        {"odd", "CREATE TABLE readings (station text, channel integer, time timestamptz)",
         "the table readings on the server has another shape: column channel is integer, not "
         "smallint; no column dew_point; no column heat_index; no column humidity; no column "
         "source; no column temperature; no unique key on (station, channel, time)"},
        {"newer",
         "CREATE TABLE corvalin_schema_version (version integer); "
         "INSERT INTO corvalin_schema_version VALUES (2)",
         "the shared archive has version 2 of its tables, made by a newer Corvalin; this one "
         "knows version 1"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(server->Query(
            "postgres", std::string("CREATE DATABASE ") + c.database + " OWNER corvalin"));
        ASSERT_TRUE(server->Query(c.database, std::string("SET ROLE corvalin; ") + c.made));
        auto other = Connect(c.database);
        ASSERT_TRUE(other) << other.error;
        EXPECT_EQ(PrepareSharedArchive(**other.value).message, c.said);
    }
}

ArchivedRow Stored(const std::string& station, int channel, int64_t time,
                   std::optional<double> temperature, RowSource source = RowSource::Live) {
    const std::optional<double> dewPoint = temperature ? std::optional(9.3) : std::nullopt;
    return {station, {channel, time, temperature, 45, dewPoint, {}, source}};
}

std::vector<ArchivedRow> ReadAll(PgConnection& connection, const ArchiveQuery& query = {}) {
    std::vector<ArchivedRow> rows;
    EXPECT_TRUE(ReadRows(connection, query, [&](const ArchivedRow& row) {
        rows.push_back(row);
        return true;
    }));
    return rows;
}

TEST_F(SharedArchiveTest, RowsSentAgainAreNeverDoubledAndComeBackAsTheyWent) {
    ASSERT_TRUE(server->Query("postgres", "CREATE DATABASE rows OWNER corvalin"));
    auto connection = Connect("rows");
    ASSERT_TRUE(connection) << connection.error;
    PgConnection& rows = **connection.value;
    ASSERT_TRUE(PrepareSharedArchive(rows));
    // Two stations' rows of the same channel and time both stay.
    const std::vector<ArchivedRow> sent = {
        Stored("attic", 1, 1700000000, 21.5), Stored("attic", 1, 1700000060, -0.1),
        Stored("attic", 3, 1700000000, std::nullopt, RowSource::Card),
        Stored("my \"shed\"", 1, 1700000000, 35.2)};
    EXPECT_EQ(*SendRows(rows, sent), 4);
    std::vector<ArchivedRow> changed = sent;
    changed[0].row.temperature = 99.0;
    EXPECT_EQ(*SendRows(rows, changed), 0);  // the server keeps what it has

    const std::vector<ArchivedRow> all = ReadAll(rows);
    ASSERT_EQ(all.size(), 4u);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(all[i].station, sent[i].station);
        EXPECT_EQ(all[i].row, sent[i].row) << i;
    }
    const std::vector<ArchivedRow> picked = ReadAll(
        rows, {.station = "attic", .from = 1700000000, .to = 1700000000, .channels = {1, 8}});
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0].row, sent[0].row);
    EXPECT_EQ(ReadAll(rows, {.source = RowSource::Card}).size(), 1u);
}

}  // namespace
}  // namespace corvalin
