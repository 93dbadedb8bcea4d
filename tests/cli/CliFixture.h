// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace corvalin::cli {

struct CliRun {
    int status;
    std::string out;
    std::string err;        // as written, with the traced frames
    std::string said;       // stderr without the traced frames
    std::vector<int> sent;  // command codes written after the last live read (0x03), or all
};

// The words of `text`, split at blanks.
inline std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The run ended with `status` and said `part` on stderr.
inline void ExpectSaid(const CliRun& run, int status, const std::string& part) {
    EXPECT_EQ(run.status, status) << part << "\n" << run.err;
    EXPECT_NE(run.said.find(part), std::string::npos) << part << " in:\n" << run.said;
}

// Runs corvalin-cli in-process; `input` is what the person at the terminal types.
inline CliRun RunTool(const std::vector<std::string>& args, const std::string& input = "",
                      bool interactive = false) {
    std::ostringstream out, err;
    std::istringstream in(input);
    Console console{out, err, in, interactive, nullptr};
    CliRun run{RunCli(args, console), out.str(), err.str(), {}, {}};
    std::vector<int> codes;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("> ", 0) == 0) {
            codes.push_back(std::stoi(line.substr(5, 2), nullptr, 16));
        } else if (line.rfind("< ", 0) != 0) {
            run.said += line + "\n";
        }
    }
    const auto lastRead = std::find(codes.rbegin(), codes.rend(), 0x03);
    run.sent.assign(lastRead.base(), codes.end());
    return run;
}

// corvalin-cli traced, on a simulated station whose state and SD card carry
// from call to call, with a data folder of its own.
class CliTest : public ::testing::Test {
protected:
    CliRun Cli(std::vector<std::string> args, const std::vector<std::string>& sim = {},
               const std::string& input = "", bool interactive = false) {
        std::vector<std::string> all{
            "--simulate",  "--sim-pace",           "0",          "--sim-card", dir.File("card"),
            "--sim-state", dir.File("state.json"), "--data-dir", data,         "--trace"};
        all.insert(all.end(), sim.begin(), sim.end());
        all.insert(all.end(), args.begin(), args.end());
        return RunTool(all, input, interactive);
    }

    // Cli, which is to succeed.
    CliRun Done(const std::vector<std::string>& args, const std::vector<std::string>& sim = {}) {
        CliRun run = Cli(args, sim);
        EXPECT_EQ(run.status, EXIT_DONE) << args.front() << " " << args.back() << "\n" << run.err;
        return run;
    }

    test::TempDir dir;
    std::string data = dir.File("data");
};

}  // namespace corvalin::cli
