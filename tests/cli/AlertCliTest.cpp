// SPDX-License-Identifier: GPL-3.0-or-later
// corvalin-cli alert test: a test message through each sink, against real
// receivers on loopback.
#include <fstream>

#include "CliFixture.h"
#include "support/ChildProcess.h"
#include "support/NotifyReceiver.h"

namespace corvalin::cli {
namespace {

TEST_F(CliTest, AlertTestSendsThroughEachSinkAndPrintsEachResult) {
    test::NotifyReceiver receiver;
    test::MailServer mail;
    ASSERT_TRUE(receiver.Started() && mail.Started());
    const std::string ntfy = "ntfy://127.0.0.1:" + std::to_string(receiver.port()) + "/attic";
    const std::string smtp = "smtp://127.0.0.1:" + std::to_string(mail.port());
    const CliRun sent = RunTool({"alert", "test", "--notify", receiver.Url(), "--notify", ntfy,
                                 "--notify", smtp, "--notify-mail-from", "logger@example.org",
                                 "--notify-mail-to", "me@example.org", "--station", "attic"});
    EXPECT_EQ(sent.status, EXIT_DONE) << sent.err;
    EXPECT_EQ(sent.out, receiver.Url() + ": sent\n" + ntfy + ": sent\n" + smtp + ": sent\n");
    ASSERT_TRUE(receiver.WaitFor(2));
    const std::vector<nlohmann::json> requests = receiver.Requests();
    EXPECT_EQ(nlohmann::json::parse(requests[0]["body"].get<std::string>())["state"], "TEST");
    EXPECT_EQ(requests[1]["headers"]["Title"], "Corvalin attic: test message");
    ASSERT_TRUE(mail.WaitFor(1));
    EXPECT_NE(mail.Mails()[0].find("Subject: Corvalin attic: test message\n"), std::string::npos);

    const std::string away = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/";
    const CliRun failed = RunTool({"--json", "alert", "test", "--notify", away, "--notify", ntfy});
    EXPECT_EQ(failed.status, EXIT_FAILED);
    const nlohmann::json results = nlohmann::json::parse(failed.out);
    EXPECT_EQ(results[0]["sent"], false);
    EXPECT_FALSE(results[0]["error"].get<std::string>().empty());
    EXPECT_EQ(results[1],
              nlohmann::json::parse(R"({"sink": ")" + ntfy + R"(", "sent": true, "error": null})"));
    EXPECT_NE(failed.err.find("1 of 2 sinks did not take the test message."), std::string::npos);
}

TEST_F(CliTest, AlertTestTakesTheSinksOfTheLoggersConfigWhenNoneIsNamed) {
    test::NotifyReceiver receiver;
    ASSERT_TRUE(receiver.Started());
    const std::string config = dir.File("corvalind.conf");
    std::ofstream(config) << "interval = 60\nalert = ch1.temperature above 30\nstation = cellar\n"
                          << "notify = " << receiver.Url() << "\n";
    const CliRun sent = RunTool({"alert", "test", "--config", config});
    EXPECT_EQ(sent.status, EXIT_DONE) << sent.err;
    EXPECT_EQ(sent.out, receiver.Url() + ": sent\n");
    ASSERT_TRUE(receiver.WaitFor(1));
    EXPECT_EQ(nlohmann::json::parse(receiver.Requests()[0]["body"].get<std::string>())["station"],
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
    for (const auto& [args, message] : cases) {
        const CliRun run = RunTool(args);
        EXPECT_EQ(run.status, EXIT_USAGE) << args.back();
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace corvalin::cli
