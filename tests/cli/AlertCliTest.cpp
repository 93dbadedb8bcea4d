// SPDX-License-Identifier: GPL-3.0-or-later
// corvalin-cli alert test: a test message through each sink, against real
// receivers on loopback.
#include <fstream>

#include "CliFixture.h"
#include "support/ChildProcess.h"
#include "support/NotifyReceiver.h"

namespace corvalin::cli {
namespace {

// How each kind of sink says it is the sinks' to test; here, that each is reached.
TEST_F(CliTest, AlertTestSendsThroughEachSinkAndPrintsEachResult) {
    test::NotifyReceiver receiver;
    ASSERT_TRUE(receiver.Started());
    const std::string ntfy = "ntfy://127.0.0.1:" + std::to_string(receiver.port()) + "/attic";
    const CliRun sent = RunTool(
        {"alert", "test", "--notify", receiver.Url(), "--notify", ntfy, "--station", "attic"});
    EXPECT_EQ(sent.status, EXIT_DONE) << sent.err;
    EXPECT_EQ(sent.out, receiver.Url() + ": sent\n" + ntfy + ": sent\n");
    ASSERT_TRUE(receiver.WaitFor(2));
    EXPECT_EQ(nlohmann::json::parse(receiver.Requests()[0]["body"].get<std::string>())["state"],
              "TEST");
    EXPECT_EQ(receiver.Requests()[1]["headers"]["Title"], "Corvalin attic: test message");

    const std::string away = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/";
    const CliRun failed = RunTool({"--json", "alert", "test", "--notify", away, "--notify", ntfy});
    EXPECT_EQ(failed.status, EXIT_FAILED);
    const nlohmann::json results = nlohmann::json::parse(failed.out);
    EXPECT_EQ(results[0]["sent"], false);
    EXPECT_FALSE(results[0]["error"].get<std::string>().empty());
    EXPECT_EQ(results[1],
              nlohmann::json::parse(R"({"sink": ")" + ntfy + R"(", "sent": true, "error": null})"));
    EXPECT_NE(failed.err.find("1 of 2 sinks did not take the test message."), std::string::npos);

    // No sink named: those of the logger's config.
    const std::string config = dir.File("corvalind.conf");
    std::ofstream(config) << "interval = 60\nalert = ch1.temperature above 30\nstation = cellar\n"
                          << "notify = " << receiver.Url() << "\n";
    const CliRun configured = RunTool({"alert", "test", "--config", config});
    EXPECT_EQ(configured.status, EXIT_DONE) << configured.err;
    EXPECT_EQ(configured.out, receiver.Url() + ": sent\n");
    ASSERT_TRUE(receiver.WaitFor(4));
    EXPECT_EQ(nlohmann::json::parse(receiver.Requests()[3]["body"].get<std::string>())["station"],
              "cellar");
}

TEST_F(CliTest, AlertTestRefusesABadOrMissingSinkAsWrongUsage) {
    const std::string none = dir.File("none.conf");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"alert", "test", "--config", none}, "No sink to test"},
        {{"alert", "test", "--notify", "gopher://host/x"}, "\"gopher://\" is not one of"},
        {{"alert", "test", "--notify", "ntfy://host/a/b"}, "the topic \"a/b\""},
        {{"alert", "test", "--notify", "smtp://host"}, "needs a sender and a recipient"},
        {{"alert", "test", "--notify", "smtp://me@host", "--notify-mail-from", "a@b",
          "--notify-mail-to", "c@d"},
         "--notify-password-file"},
    };
    for (const auto& [args, message] : cases) ExpectSaid(RunTool(args), EXIT_USAGE, message);
}

}  // namespace
}  // namespace corvalin::cli
