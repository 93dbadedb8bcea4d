// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "CliFixture.h"

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
    const std::pair<std::vector<std::string>, const char*> done[] = {
        {{"files"}, ""},
        {{"download", "CH1.CSV"}, "bytesFetched"},
    };
    for (const auto& [args, key] : done) {
        std::vector<std::string> json{"--json"};
        json.insert(json.end(), args.begin(), args.end());
        const Json result = Parsed(Done(json));
        ASSERT_FALSE(result.is_discarded()) << args[0];
        EXPECT_TRUE(!*key || result.contains(key)) << args[0] << ": " << result;
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
    EXPECT_EQ(Parsed(Cli({"--json", "delete", "CH3.CSV", "--yes"}))["deleted"], true);
    // Cancelled at the question (asked on stderr, beside the JSON): nothing done, and said so.
    const CliRun cancelled = Cli({"--json", "delete", "CH4.CSV"}, {}, "n\n", true);
    EXPECT_EQ(cancelled.status, EXIT_DONE);
    EXPECT_EQ(Parsed(cancelled),
              Json::parse(R"({"file": "CH4.CSV", "deleted": false, "cancelled": true})"));
    EXPECT_NE(cancelled.said.find("Are you sure to delete the file? [y/N] "), std::string::npos);
    const CliRun notSynced = Cli({"--json", "sync-time"}, {}, "\n", true);
    EXPECT_EQ(Parsed(notSynced), Json::parse(R"({"written": false, "cancelled": true})"));

    // Failures: refused, usage, unconnected.
    const std::tuple<std::vector<std::string>, int, const char*> failures[] = {
        {{"delete", "NONE.CSV", "--yes"}, EXIT_FAILED, "The SD card has no file \"NONE.CSV\"."},
        {{"frobnicate"}, EXIT_USAGE, "Unknown command \"frobnicate\""},
        {{"--serial", "Z", "settings", "set", "unit=F"}, EXIT_UNCONNECTED, "Unconnected\n"},
    };
    for (const auto& [args, status, error] : failures) {
        std::vector<std::string> json{"--json"};
        json.insert(json.end(), args.begin(), args.end());
        const CliRun run = Cli(json);
        EXPECT_EQ(run.status, status) << args[0] << "\n" << run.err;
        const Json result = Parsed(run);
        EXPECT_EQ(result["exitStatus"], status) << args[0] << ": " << run.out;
        // The message as said on stderr, without the traced frames.
        EXPECT_EQ(result.value("error", "") + "\n", run.said) << args[0];
        EXPECT_EQ(result.value("error", "").rfind(error, 0), 0u) << args[0];
    }
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
        EXPECT_EQ(err.str().find(" / 32886 bytes  ") != std::string::npos, terminal) << err.str();
    }
}

}  // namespace
}  // namespace corvalin::cli
