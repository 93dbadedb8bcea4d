// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "CliFixture.h"
#include "GraphModuleLoader.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

namespace fs = std::filesystem;

// Runs `command` in a shell; its exit status and what it printed on stdout (kept in `dir`).
std::pair<int, std::string> Shell(const std::string& command, const test::TempDir& dir) {
    const int status = std::system((command + " >" + dir.File("stdout")).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadAll(dir.File("stdout"))};
}

TEST(GraphModule, WhenItIsNotThereTheToolSaysWhichPackageBringsIt) {
    test::TempDir dir;
    test::WriteAll(dir.File("corvalin-graph.so"), "not a module\n");
    const auto broken = LoadGraphModule(dir.File("corvalin-graph.so"));
    ASSERT_FALSE(broken);
    EXPECT_NE(broken.error.find("cannot be loaded"), std::string::npos) << broken.error;

    // The tool links no Qt library: a box without the module has none.
    const auto [linked, libraries] = Shell("ldd " + std::string(CORVALIN_CLI_PATH), dir);
    ASSERT_EQ(linked, 0);
    EXPECT_NE(libraries.find("libsqlite3"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;

    // The tool on its own, as a box with only its package has it: every
    // other command works, and graph says what to install.
    fs::create_directories(dir.File("bin"));
    fs::copy_file(CORVALIN_CLI_PATH, dir.File("bin/corvalin-cli"));
    const std::string tool = dir.File("bin/corvalin-cli") + " --simulate --sim-card " +
                             dir.File("card") + " --data-dir " + dir.File("data");
    EXPECT_EQ(Shell(tool + " import --file " + std::string(CORVALIN_TEST_DATA) +
                        "/import/CH1_0305.CSV 2>/dev/null",
                    dir)
                  .first,
              EXIT_DONE);
    const auto [status, out] = Shell(tool +
                                         " --json graph --from '2024-03-05 00:00:00' --to "
                                         "'2024-03-06 00:00:00' --out " +
                                         dir.File("a.png") + " 2>/dev/null",
                                     dir);
    EXPECT_EQ(status, EXIT_FAILED);
    const auto json = nlohmann::json::parse(out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << out;
    EXPECT_NE(json["error"].get<std::string>().find("apt install corvalin-graph"),
              std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(dir.File("a.png")));
}

}  // namespace
}  // namespace corvalin::cli
