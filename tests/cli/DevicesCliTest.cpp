// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

namespace corvalin::cli {
namespace {

TEST_F(CliTest, DevicesListsEveryDeviceWithTheStationsIdsAndWhetherItAnswered) {
    const CliRun run =
        Done({"--json", "devices"}, {"--sim-serial", "0042", "--sim-look-alike", ""});
    const nlohmann::json expected = nlohmann::json::parse(R"([
      {"path": "sim:kv7500", "serial": "0042", "canOpen": true, "answered": true, "problem": null},
      {"path": "sim:look-alike-1", "serial": null, "canOpen": true, "answered": false,
       "problem": "not a station: it did not answer"}])");
    EXPECT_EQ(nlohmann::json::parse(run.out), expected);

    const CliRun text = Cli({"devices"}, {"--sim-look-alike", "X"});
    EXPECT_EQ(text.out,
              "sim:kv7500  --  station\nsim:look-alike-1  X  not a station: it did not answer\n");
}

TEST_F(CliTest, SeveralStationsMustBeChosenBetweenAndALookAlikeIsPassedOver) {
    const std::vector<std::string> two{"--sim-serial", "A", "--sim-second-station", "B"};
    const CliRun unchosen = Cli({"live"}, two);
    // The list's words are the finder's to test; here the exit status, and no command went out.
    ExpectSaid(unchosen, EXIT_USAGE, "Several stations are attached:");
    EXPECT_EQ(unchosen.err, unchosen.said);

    Done({"--device", "sim:kv7500-2", "status"}, two);
    ExpectSaid(Cli({"--serial", "Z", "status"}, two), EXIT_UNCONNECTED,
               "No station matches --serial Z; attached: sim:kv7500 (serial A)");

    ExpectSaid(Cli({"status"}, {"--sim-look-alike", "X"}), EXIT_DONE,
               "Skipped sim:look-alike-1 (serial X): it did not answer as a station\n");
}

}  // namespace
}  // namespace corvalin::cli
