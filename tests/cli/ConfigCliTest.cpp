// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

namespace corvalin::cli {
namespace {

void ExpectLines(const std::string& out, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        EXPECT_NE(("\n" + out).find("\n" + std::string(line) + "\n"), std::string::npos)
            << line << " in:\n" + out;
    }
}

// Each key lands where `settings` shows it; what a set does not name, even
// the mask bits no channel owns, keeps the station's value.
TEST_F(CliTest, SettingsAndIntervalSetThenShow) {
    EXPECT_EQ(Done({"interval", "240"}).out, "Set Interval Success.\n");
    EXPECT_EQ(Cli({"interval"}).out, "Interval: 240 Minute\n");
    EXPECT_EQ(Cli({"--json", "interval"}).out, "{\n  \"intervalMinutes\": 240\n}\n");

    EXPECT_EQ(
        Done({"settings", "set", "graph-type=Dewpoint", "graph-span=72H", "time-format=AM h:mm:ss",
              "date-format=DD-MM-YYYY", "dst=ON", "time-zone=-10", "unit=F",
              "area1.temperature=2,3,4,5,6,7,8", "area4=0x00000001", "area2.dewpoint=3,1"})
            .out,
        "");
    Done({"settings", "set", "time-zone=12", "area2.temperature=8"});

    const CliRun show = Done({"settings"});
    ExpectLines(show.out,
                {"graph-type          Dewpoint", "graph-span          72H",
                 "time-format         AM h:mm:ss", "date-format         DD-MM-YYYY",
                 "dst                 ON", "time-zone           12", "unit                °F",
                 "area1               0x00FFFFFE  (CH Area1)", "area1.temperature   2,3,4,5,6,7,8",
                 "area2.temperature   8", "area2.dewpoint      1,3", "area2.heatindex     none",
                 "interval            240 Minute"});
    EXPECT_TRUE(show.sent.empty());

    const auto json = nlohmann::json::parse(Cli({"--json", "settings"}).out);
    EXPECT_EQ(json["areas"][1]["dewPoint"], (std::vector<int>{1, 3}));
    EXPECT_EQ(json["areas"][3]["mask"], "0x00000001");
    EXPECT_EQ(Cli({"settings", "set", "area4=0xFF000001"}).status, EXIT_FAILED);
}

TEST_F(CliTest, AlarmSetThenShowInFahrenheit) {
    Done({"settings", "set", "unit=F"});
    Done({"alarm", "set", "ch1.temp-high=77.5", "ch1.temp-low=-40", "ch3.temp-high=--",
          "humidity-alarm=OFF", "ch1.hum-high-enabled=no", "ch2.temp-low-enabled=no"});

    // 77.5 °F is stored as 25.2 °C, shown as the dialog shows it.
    ExpectLines(Cli({"alarm"}).out, {"temperature-alarm  ON", "humidity-alarm     OFF",
                                     "     temp-high       temp-low        hum-high    hum-low",
                                     "CH1  [x]   77.4 °F   [x]  -40.0 °F   [ ]  90 %   [x]  10 %",
                                     "CH2  [x]  104.0 °F   [ ]   14.0 °F   [x]  90 %   [x]  10 %",
                                     "CH3  [x]     -- °F   [x]   14.0 °F   [x]  90 %   [x]  10 %"});
    const auto json = nlohmann::json::parse(Cli({"--json", "alarm"}).out);
    EXPECT_EQ(json["unit"], "°F");
    EXPECT_EQ(json["channels"][0], nlohmann::json::parse(R"({"channel": 1, "tempHigh": 77.4,
        "tempHighEnabled": true, "tempLow": -40.0, "tempLowEnabled": true, "humHigh": 90,
        "humHighEnabled": false, "humLow": 10, "humLowEnabled": true})"));
    EXPECT_TRUE(json["channels"][2]["tempHigh"].is_null());
}

TEST_F(CliTest, CalibrationSetThenShowWithTheLiveReadings) {
    const std::vector<std::string> sensors{"--sim-sensor", "2=20,50", "--sim-sensor", "8=none"};
    ASSERT_EQ(Cli({"settings", "set", "unit=F"}, sensors).status, EXIT_DONE);
    Done({"calibration", "set", "ch2.temp=0.5", "ch2.hum=-3"}, sensors);

    // 0.5 °F goes out as 0.2 °C, which shows as 0.4 °F; the live reading is corrected by it.
    ExpectLines(Cli({"calibration"}, sensors).out,
                {"CH2     0.4 °F     -3 %   68.4  °F  47  %",
                 "CH8     0.0 °F      0 %   --  °F  --  %   (no live reading: cannot be changed)"});
    const auto json = nlohmann::json::parse(Cli({"--json", "calibration"}, sensors).out);
    EXPECT_EQ(json["channels"][1]["tempChangeable"], true);
    EXPECT_EQ(json["channels"][7]["humChangeable"], false);
}

}  // namespace
}  // namespace corvalin::cli
