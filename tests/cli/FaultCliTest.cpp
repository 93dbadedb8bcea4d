// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <future>

#include "CliFixture.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

// Each command under a lost, late, stray or vanishing answer: never a write
// built on it, never a value the station did not send with exit 0, never
// success after the station went.
TEST(FaultCli, CommandsActOnlyOnAnswersThatCame) {
    const char* const NOTHING_WRITTEN = "The station did not answer; nothing was written.";
    const char* const UNPAIRED = "The station sent reports that answer no request";
    struct Row {
        std::vector<std::string> sim;
        std::vector<std::string> args;
        int status;
        const char* said;  // stderr starts with it
    };
    const Row rows[] = {
        {{"--sim-fault", "drop=1"}, {"settings", "set", "unit=F"}, EXIT_FAILED, NOTHING_WRITTEN},
        {{"--sim-fault", "stray"},
         {"alarm", "set", "ch1.temp-high=35"},
         EXIT_FAILED,
         NOTHING_WRITTEN},
        {{"--sim-fault", "delay=2500"},
         {"calibration", "set", "ch1.temp=0.5"},
         EXIT_FAILED,
         NOTHING_WRITTEN},
        {{"--sim-fault", "unplug-after=6"},
         {"alarm", "set", "ch1.hum-low=5"},
         EXIT_UNCONNECTED,
         "Unconnected"},
        {{"--sim-not-main-screen", "--sim-fault", "delay=120"},
         {"sync-time", "--yes"},
         EXIT_FAILED,
         "Please switch the device to the main screen."},
        {{"--sim-fault", "stray"}, {"live", "--json"}, EXIT_FAILED, UNPAIRED},
        {{"--sim-fault", "delay=2500"}, {"status"}, EXIT_FAILED, "The station did not answer."},
        {{"--sim-fault", "unplug-after=6"}, {"live"}, EXIT_UNCONNECTED, "Unconnected"},
        {{"--sim-fault", "unplug-after=8"}, {"status"}, EXIT_UNCONNECTED, "Unconnected"},
        {{"--sim-fault", "stray"}, {"interval"}, EXIT_FAILED, UNPAIRED},
        {{"--sim-fault", "unplug-after=3"}, {"files"}, EXIT_UNCONNECTED, "Unconnected"},
        {{"--sim-fault", "stray"}, {"files", "--json"}, EXIT_FAILED, "The station did not answer."},
        // The list has eight entries and its end: the station goes before the delete.
        {{"--sim-fault", "unplug-after=9"},
         {"delete", "CH1.CSV", "--yes"},
         EXIT_UNCONNECTED,
         "Unconnected"},
    };
    struct Outcome {
        CliRun run;
        std::string stateBefore, stateAfter, copyAfter;
    };
    // The rows wait out their time-outs side by side, each on a station of its own.
    std::vector<std::future<Outcome>> outcomes;
    for (const Row& row : rows) {
        outcomes.push_back(std::async(std::launch::async, [&row] {
            test::TempDir dir;
            auto tool = [&](std::vector<std::string> sim, const std::vector<std::string>& args) {
                std::vector<std::string> all{"--simulate",
                                             "--sim-pace",
                                             "0",
                                             "--sim-card",
                                             dir.File("card"),
                                             "--sim-state",
                                             dir.File("state.json"),
                                             "--data-dir",
                                             dir.File("data"),
                                             "--trace"};
                all.insert(all.end(), sim.begin(), sim.end());
                all.insert(all.end(), args.begin(), args.end());
                return RunTool(all);
            };
            tool({}, {"download", "CH1.CSV"});
            Outcome outcome;
            outcome.stateBefore = test::ReadAll(dir.File("state.json"));
            outcome.run = tool(row.sim, row.args);
            outcome.stateAfter = test::ReadAll(dir.File("state.json"));
            outcome.copyAfter = test::ReadAll(dir.File("data/CH1.CSV"));
            return outcome;
        }));
    }
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const Row& row = rows[i];
        const Outcome outcome = outcomes[i].get();
        const std::string name = row.sim.back() + " " + row.args.front();
        EXPECT_EQ(outcome.run.status, row.status) << name << "\n" << outcome.run.err;
        EXPECT_EQ(outcome.run.said.rfind(row.said, 0), 0u) << name << ": " << outcome.run.said;
        // Nothing but requests for answers and the screen-state query went out.
        for (int code : outcome.run.sent) {
            EXPECT_TRUE(code < 0x10 || code == 0x41 || code == 0x51) << name << ": " << code;
        }
        EXPECT_EQ(outcome.stateAfter, outcome.stateBefore) << name;
        EXPECT_FALSE(outcome.copyAfter.empty()) << name;  // the local copy stays
        if (row.args.back() == "--json" && !outcome.run.out.empty()) {
            const auto json = nlohmann::json::parse(outcome.run.out, nullptr, false);
            ASSERT_FALSE(json.is_discarded()) << name;
            for (const auto& channel : json.value("channels", nlohmann::json::array())) {
                EXPECT_TRUE(channel["temperature"].is_null()) << name;
            }
        }
    }
}

// A station that answers nothing is told at the first answer that does not
// come, by every command that runs once.
TEST(FaultCli, ASilentStationIsToldWithinThreeSeconds) {
    const std::vector<std::vector<std::string>> commands = {
        {"status"},
        {"live"},
        {"settings"},
        {"settings", "set", "unit=F"},
        {"interval"},
        {"interval", "10"},
        {"alarm"},
        {"alarm", "set", "temperature-alarm=ON"},
        {"calibration"},
        {"calibration", "set", "ch1.temp=0.5"},
        {"sync-time", "--yes"},
        {"files"},
        {"download", "CH1.CSV"},
        {"delete", "CH1.CSV", "--yes"},
        {"archive", "sync"},
    };
    struct Timed {
        CliRun run;
        std::chrono::steady_clock::duration took;
    };
    std::vector<std::future<Timed>> runs;
    for (const auto& command : commands) {
        runs.push_back(std::async(std::launch::async, [&command] {
            test::TempDir dir;
            std::vector<std::string> all{"--simulate",  "--sim-card",     dir.File("card"),
                                         "--data-dir",  dir.File("data"), "--sim-fault",
                                         "drop=1000000"};
            all.insert(all.end(), command.begin(), command.end());
            const auto start = std::chrono::steady_clock::now();
            CliRun run = RunTool(all);
            return Timed{std::move(run), std::chrono::steady_clock::now() - start};
        }));
    }
    for (size_t i = 0; i < commands.size(); ++i) {
        const Timed timed = runs[i].get();
        const std::string name =
            commands[i][0] + (commands[i].size() > 1 ? " " + commands[i][1] : "");
        EXPECT_EQ(timed.run.status, EXIT_FAILED) << name << "\n" << timed.run.err;
        EXPECT_EQ(timed.run.said.rfind("The station did not answer", 0), 0u)
            << name << ": " << timed.run.said;
        EXPECT_LT(timed.took, std::chrono::seconds(3)) << name;
    }
}

}  // namespace
}  // namespace corvalin::cli
