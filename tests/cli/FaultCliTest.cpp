// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <future>

#include "CliFixture.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

// Each command under a lost, late, stray or vanishing answer, or a station
// that answers nothing: never a write built on it, never a value the station
// did not send with exit 0, never success after the station went.
TEST(FaultCli, CommandsActOnlyOnAnswersThatCame) {
    const char* const NOTHING_WRITTEN = "The station did not answer; nothing was written.";
    const char* const UNPAIRED = "The station sent reports that answer no request";
    const char* const NO_ANSWER = "The station did not answer.";
    const char* const SILENT = "--sim-fault drop=1000000";
    const char* const TOLD = "The station did not answer";
    struct Row {
        const char* sim;
        const char* args;
        int status;
        const char* said;  // stderr starts with it
    };
    const Row rows[] = {
        {"--sim-fault drop=1", "settings set unit=F", EXIT_FAILED, NOTHING_WRITTEN},
        {"--sim-fault unplug-after=6", "alarm set ch1.hum-low=5", EXIT_UNCONNECTED, "Unconnected"},
        {"--sim-not-main-screen --sim-fault delay=120", "sync-time --yes", EXIT_FAILED,
         "Please switch the device to the main screen."},
        {"--sim-fault stray", "live --json", EXIT_FAILED, UNPAIRED},
        {"--sim-fault delay=2500", "status", EXIT_FAILED, NO_ANSWER},
        {"--sim-fault unplug-after=8", "status", EXIT_UNCONNECTED, "Unconnected"},
        {"--sim-fault unplug-after=3", "files", EXIT_UNCONNECTED, "Unconnected"},
        {"--sim-fault stray", "files --json", EXIT_FAILED, NO_ANSWER},
        // The list has eight entries and its end: the station goes before the delete.
        {"--sim-fault unplug-after=9", "delete CH1.CSV --yes", EXIT_UNCONNECTED, "Unconnected"},
        // A command runs once: it is told at the first answer that does not come (the reads
        // share the session's one-shot cycle, the form writes one path and the card commands
        // one file list: the rows above).
        {SILENT, "interval 10", EXIT_FAILED, TOLD},
        {SILENT, "sync-time --yes", EXIT_FAILED, TOLD},
        {SILENT, "archive sync", EXIT_FAILED, TOLD},
    };
    // The rows wait out their time-outs side by side, each on a station of its own.
    std::vector<std::future<void>> runs;
    for (const Row& row : rows) {
        runs.push_back(std::async(std::launch::async, [&row] {
            test::TempDir dir;
            auto tool = [&](const std::string& sim, const std::string& args) {
                std::vector<std::string> all{"--sim-card",  dir.File("card"),
                                             "--sim-state", dir.File("state.json"),
                                             "--data-dir",  dir.File("data")};
                for (const std::string& words : {"--simulate --sim-pace 0 --trace " + sim, args}) {
                    for (const std::string& word : Words(words)) all.push_back(word);
                }
                return RunTool(all);
            };
            tool("", "download CH1.CSV");
            const std::string stateBefore = test::ReadAll(dir.File("state.json"));
            const CliRun run = tool(row.sim, row.args);
            const std::string name = std::string(row.sim) + " " + row.args;
            EXPECT_EQ(run.status, row.status) << name << "\n" << run.err;
            EXPECT_EQ(run.said.rfind(row.said, 0), 0u) << name << ": " << run.said;
            // Nothing but requests for answers and the screen-state query went out.
            for (int code : run.sent) {
                EXPECT_TRUE(code < 0x10 || code == 0x41 || code == 0x51) << name << ": " << code;
            }
            EXPECT_EQ(test::ReadAll(dir.File("state.json")), stateBefore) << name;
            // The local copy stays.
            EXPECT_FALSE(test::ReadAll(dir.File("data/CH1.CSV")).empty()) << name;
            if (std::string(row.args).ends_with("--json") && !run.out.empty()) {
                const auto json = nlohmann::json::parse(run.out, nullptr, false);
                ASSERT_FALSE(json.is_discarded()) << name;
                for (const auto& channel : json.value("channels", nlohmann::json::array())) {
                    EXPECT_TRUE(channel["temperature"].is_null()) << name;
                }
            }
        }));
    }
    for (std::future<void>& run : runs) run.get();
}

}  // namespace
}  // namespace corvalin::cli
