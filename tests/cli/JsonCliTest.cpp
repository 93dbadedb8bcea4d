// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "CliFixture.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

using Json = nlohmann::json;

// stdout is one JSON value, or nothing to parse.
Json Parsed(const CliRun& run) { return Json::parse(run.out, nullptr, false); }

// Every command gives one JSON value on stdout: its result, for a write what
// it did, for a failure the message it said on stderr and its exit status.
// The commands whose JSON the other tests do not read (status, live, the
// settings, import, records and the archive's do) are here.
TEST_F(CliTest, EveryCommandAnswersJsonAlsoForWritesAndFailures) {
    struct Row {
        std::vector<std::string> args;
        const char* key;  // a key the result has
    };
    const Row done[] = {
        {{"alarm", "set", "ch1.temp-high=35"}, "written"},
        {{"calibration", "set", "ch2.hum=1"}, "written"},
        {{"files"}, ""},
        {{"download", "CH1.CSV"}, "bytesFetched"},
        {{"archive", "sync"}, "rowsAdded"},
        {{"archive"}, ""},
    };
    for (const Row& row : done) {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CliRun run = Cli(args);
        const std::string name = row.args[0] + (row.args.size() > 1 ? " " + row.args[1] : "");
        EXPECT_EQ(run.status, EXIT_DONE) << name << "\n" << run.err;
        const Json result = Parsed(run);
        ASSERT_FALSE(result.is_discarded()) << name << ": " << run.out;
        if (*row.key) {
            EXPECT_TRUE(result.contains(row.key)) << name << ": " << run.out;
        }
    }
    // What the writes did.
    EXPECT_EQ(Parsed(Cli({"--json", "interval", "20"})),
              Json::parse(R"({"written": true, "intervalMinutes": 20,
                              "message": "Set Interval Success."})"));
    EXPECT_EQ(Parsed(Cli({"--json", "settings", "set", "unit=C", "graph-span=24H"})),
              Json::parse(R"({"written": true, "set": {"unit": "C", "graph-span": "24H"}})"));
    EXPECT_EQ(Parsed(Cli({"--json", "sync-time", "--yes", "--at", "2024-03-05 14:07:09"})),
              Json::parse(R"({"written": true, "time": "2024-03-05 14:07:09",
                              "message": "Sync Time Success."})"));
    const Json deleted = Parsed(Cli({"--json", "delete", "CH3.CSV", "--yes"}));
    EXPECT_EQ(deleted["file"], "CH3.CSV");
    EXPECT_EQ(deleted["deleted"], true);
    // Cancelled at the question (asked on stderr, beside the JSON): nothing done, and said so.
    const CliRun cancelled = Cli({"--json", "delete", "CH4.CSV"}, {}, "n\n", true);
    EXPECT_EQ(cancelled.status, EXIT_DONE);
    EXPECT_EQ(Parsed(cancelled),
              Json::parse(R"({"file": "CH4.CSV", "deleted": false, "cancelled": true})"));
    EXPECT_NE(cancelled.said.find("Are you sure to delete the file? [y/N] "), std::string::npos);
    const CliRun notSynced = Cli({"--json", "sync-time"}, {}, "\n", true);
    EXPECT_EQ(Parsed(notSynced), Json::parse(R"({"written": false, "cancelled": true})"));

    // Failures: refused, usage, unconnected, a station that does not answer.
    struct Failure {
        std::vector<std::string> args;
        std::vector<std::string> sim;
        int status;
        const char* error;
    };
    const Failure failures[] = {
        {{"interval", "3"}, {}, EXIT_FAILED, "Interval Range of values: 5 to 240 Minute"},
        {{"delete", "NONE.CSV", "--yes"}, {}, EXIT_FAILED, "The SD card has no file \"NONE.CSV\"."},
        {{"frobnicate"}, {}, EXIT_USAGE, nullptr},
        {{"alarm", "set", "ch1.hum-low=5"},
         {"--sim-fault", "drop=100"},
         EXIT_FAILED,
         "The station did not answer; nothing was written."},
    };
    for (const Failure& failure : failures) {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), failure.args.begin(), failure.args.end());
        const CliRun run = Cli(args, failure.sim);
        const std::string name = failure.args[0];
        EXPECT_EQ(run.status, failure.status) << name << "\n" << run.err;
        const Json result = Parsed(run);
        ASSERT_TRUE(result.is_object()) << name << ": " << run.out;
        EXPECT_EQ(result["exitStatus"], failure.status) << name;
        ASSERT_TRUE(result["error"].is_string()) << name << ": " << run.out;
        // The message as said on stderr, without the traced frames.
        EXPECT_EQ(result["error"].get<std::string>() + "\n", run.said) << name;
        if (failure.error) {
            EXPECT_EQ(result["error"], failure.error) << name;
        }
    }
    // Without a station: unconnected, exit 3.
    const CliRun unconnected = RunTool({"--json", "settings", "set", "unit=F"});
    EXPECT_EQ(unconnected.status, EXIT_UNCONNECTED);
    EXPECT_EQ(Parsed(unconnected)["exitStatus"], EXIT_UNCONNECTED);
    EXPECT_EQ(Parsed(unconnected)["error"].get<std::string>().rfind("Unconnected", 0), 0u);
}

// Progress bars go to stderr, drawn only when it is a terminal; stdout holds
// only the result.
TEST_F(CliTest, ProgressBarsOnlyOnAStderrThatIsATerminal) {
    for (const bool terminal : {false, true}) {
        std::filesystem::remove_all(data);
        std::ostringstream out, err;
        std::istringstream in;
        Console console{out, err, in, false, nullptr, terminal};
        const int status = RunCli({"--simulate", "--sim-pace", "0", "--sim-card", dir.File("card"),
                                   "--data-dir", data, "download", "CH1.CSV"},
                                  console);
        EXPECT_EQ(status, EXIT_DONE) << err.str();
        EXPECT_EQ(out.str().find('\r'), std::string::npos);
        EXPECT_EQ(out.str().find(" bytes  "), std::string::npos);
        EXPECT_EQ(err.str().find(" / 32886 bytes  ") != std::string::npos, terminal) << err.str();

        std::ostringstream importOut, importErr;
        Console importing{importOut, importErr, in, false, nullptr, terminal};
        ASSERT_EQ(RunCli({"--data-dir", data, "import", "CH1.CSV"}, importing), EXIT_DONE);
        EXPECT_EQ(importErr.str().find("Storing lines: 865 / 865") != std::string::npos, terminal)
            << importErr.str();
        EXPECT_EQ(importOut.str().find('\r'), std::string::npos);
    }
}

}  // namespace
}  // namespace corvalin::cli
