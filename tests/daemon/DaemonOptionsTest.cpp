// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DaemonOptions.h"
#include "support/TempDir.h"

namespace corvalin::daemon {
namespace {

// A config file's or an option's mistakes stop the start, a file's named by
// file, line and key; the command line wins over the file.
TEST(DaemonOptions, MistakesInTheConfigFileOrTheOptionsStopTheStart) {
    test::TempDir dir;
    const std::string path = dir.File("corvalind.conf");
    struct Case {
        const char* text;
        std::vector<std::string> extra;
        std::string error;  // empty: parsed
    };
    const Case cases[] = {
        {"# comment\n\ninterval = 30\nstation = attic\n", {}, ""},
        {"interval = 30\nintervall = 30\n", {}, path + ":2: unknown key \"intervall\""},
        {"station = attic\ninterval = 5\n", {}, path + ":2: interval: "},
        {"interval = 5\n", {"--interval", "40"}, ""},
        {"just words\n", {}, path + ":1: \"just words\" is not a line KEY = VALUE"},
        {"config = other.conf\n", {}, path + ":1: unknown key \"config\""},
        {"",
         {"--alert", "ch1.temperature abve 30"},
         "Bad alert rule \"ch1.temperature abve 30\": \"abve\" is not"},
    };
    for (const Case& c : cases) {
        std::ofstream(path) << c.text;
        std::vector<std::string> arguments{"--config", path, "--data-dir", dir.File("data")};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        std::ostringstream out, err;
        const ParsedOptions parsed = ParseDaemonOptions(arguments, out, err);
        if (c.error.empty()) {
            EXPECT_TRUE(parsed.options) << c.text << err.str();
            continue;
        }
        EXPECT_FALSE(parsed.options) << c.text;
        EXPECT_EQ(parsed.exitStatus, 2) << c.text;
        EXPECT_EQ(err.str().rfind(c.error, 0), 0u) << err.str();
    }
}

}  // namespace
}  // namespace corvalin::daemon
