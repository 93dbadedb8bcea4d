#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "sim/SimulatedStation.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using test::Ask;
using test::Bytes;
using test::END_MARKER;
using test::FileGetFrame;
using test::Frame;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Printable content without the bytes a data report cannot carry.
std::string Pattern(size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>('A' + i % 26);
    return text;
}

// Content of the data reports of one chunk; fails the test on a malformed report.
std::string Content(const std::vector<Report>& reports, std::vector<size_t>* lengths = nullptr) {
    std::string content;
    EXPECT_FALSE(reports.empty());
    if (reports.empty()) return content;
    EXPECT_EQ(reports.back(), END_MARKER);
    for (size_t r = 0; r + 1 < reports.size(); ++r) {
        const Report& report = reports[r];
        EXPECT_EQ(report[0], 0x7B);
        size_t end = 1;
        while (end < report.size() && report[end] != 0x7D) ++end;
        EXPECT_LT(end, report.size()) << "report " << r << " has no \"}\"";
        EXPECT_LE(end - 1, MAX_FILE_DATA_CONTENT);
        for (size_t i = end + 1; i < report.size(); ++i) EXPECT_EQ(report[i], 0) << r;
        content.append(report.begin() + 1, report.begin() + static_cast<std::ptrdiff_t>(end));
        if (lengths) lengths->push_back(end - 1);
    }
    return content;
}

class SimCardTest : public ::testing::Test {
protected:
    SimulatedStation& Station(std::vector<FaultSpec> faults = {},
                              std::vector<SensorSpec> sensors = {}) {
        SimOptions options;
        options.cardDir = Card();
        options.paceMs = 0;
        options.faults = std::move(faults);
        options.sensors = std::move(sensors);
        station_ = std::make_unique<SimulatedStation>(options);
        Status started = station_->Start();
        EXPECT_TRUE(started) << started.message;
        return *station_;
    }
    std::string Card() const { return dir_.File("card"); }
    void MakeCard() { fs::create_directory(Card()); }

    test::TempDir dir_;
    std::unique_ptr<SimulatedStation> station_;
};

TEST_F(SimCardTest, NewCardHoldsALogPerSensorAndAnIndoorLog) {
    Station({}, {{2, true, 23.4, 45}, {3, false, 0, 0}});
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Card())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"CH1.CSV", "CH2.CSV", "CH4.CSV", "CH5.CSV",
                                               "CH6.CSV", "CH7.CSV", "INDOOR.CSV"}));

    const std::regex channelLine(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,(-?\d+\.\d|--),(\d+|--),(-?\d+\.\d|--),(-?\d+\.\d|--))");
    const std::regex indoorLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,(-?\d+\.\d|--),(\d+|--))");
    for (const std::string& name : names) {
        const std::string text = ReadFile(Card() + "/" + name);
        const bool indoor = name.find("IN") != std::string::npos;
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, indoor ? "Time,Temperature(C),Humidity(%)\r"
                               : "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r");
        int count = 0;
        bool missing = false;
        while (std::getline(lines, line)) {
            ASSERT_FALSE(line.empty()) << name;
            ASSERT_EQ(line.back(), '\r') << name << ": lines end with CR LF";
            line.pop_back();
            ASSERT_TRUE(std::regex_match(line, indoor ? indoorLine : channelLine))
                << name << ": " << line;
            missing = missing || line.find("--") != std::string::npos;
            ++count;
        }
        EXPECT_EQ(count, 3 * 24 * 12 + 1) << name << ": three days at five minutes";
        EXPECT_TRUE(missing) << name;
    }
    // A fixed sensor logs its exact values; the dew point follows Magnus.
    EXPECT_NE(ReadFile(Card() + "/CH2.CSV").find(",23.4,45,10.8,23.4\r\n"), std::string::npos);
}

TEST_F(SimCardTest, StationSetToFahrenheitLogsInFahrenheit) {
    // Unit byte 7 of the settings = 1, everything else as it leaves the factory.
    WriteFile(dir_.File("state.json"),
              R"({"settings": "0018000000000100FFFFFF00000000000000000000000000000000"})");
    SimOptions options;
    options.cardDir = Card();
    options.stateFile = dir_.File("state.json");
    options.paceMs = 0;
    options.sensors = {{2, true, 23.4, 45}};
    {
        SimulatedStation station(options);
        Status started = station.Start();
        ASSERT_TRUE(started) << started.message;
    }
    const std::string text = ReadFile(Card() + "/CH2.CSV");
    EXPECT_EQ(text.rfind("Time,Temperature(F),Humidity(%),DewPoint(F),HeatIndex(F)\r\n", 0), 0u);
    EXPECT_NE(text.find(",74.1,45,51.4,74.1\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(Card() + "/INDOOR.CSV").rfind("Time,Temperature(F),Humidity(%)\r\n", 0), 0u);
}

TEST_F(SimCardTest, ExistingCardIsLeftAsItIsAndTemporaryCardIsRemoved) {
    MakeCard();
    WriteFile(Card() + "/MINE.CSV", "x");
    Station();
    EXPECT_EQ(std::distance(fs::directory_iterator(Card()), fs::directory_iterator()), 1);

    SimOptions options;
    options.paceMs = 0;
    std::string temporary;
    {
        SimulatedStation station(options);
        ASSERT_TRUE(station.Start());
        temporary = station.CardDir();
        EXPECT_TRUE(fs::exists(temporary + "/CH1.CSV"));
    }
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(SimCardTest, FileListHasOneEntryPerFileSortedThenTheEndMarker) {
    MakeCard();
    WriteFile(Card() + "/B.CSV", Pattern(100));
    WriteFile(Card() + "/A.CSV", "");
    WriteFile(Card() + "/LONG.CSV", Pattern(70000));
    fs::create_directory(Card() + "/SUB");
    Station();
    auto list = Ask(*station_, Frame(CMD_FILE_LIST));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], Bytes({'{', 'A', '.', 'C', 'S', 'V', ',', 0, 0, 0, 0}));
    EXPECT_EQ(list[1], Bytes({'{', 'B', '.', 'C', 'S', 'V', ',', 0, 0, 0, 100}));
    EXPECT_EQ(list[2],
              Bytes({'{', 'L', 'O', 'N', 'G', '.', 'C', 'S', 'V', ',', 0, 0x01, 0x11, 0x70}));
    EXPECT_EQ(list[3], END_MARKER);
}

TEST_F(SimCardTest, ChunksAreServedIn62ByteReportsWithinTheFile) {
    MakeCard();
    const std::string file = Pattern(200);
    WriteFile(Card() + "/DATA.CSV", file);
    Station();

    std::vector<size_t> lengths;
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 0, 200)), &lengths), file);
    EXPECT_EQ(lengths, (std::vector<size_t>{62, 62, 62, 14}));
    // An end beyond the size stops at the size; offsets whose bytes look like
    // the terminator do not confuse the frame's parsing.
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 0x40, 0x7D40))), file.substr(0x40));
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 150, 4096))), file.substr(150));
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 10, 11))), file.substr(10, 1));

    for (auto [start, end] :
         {std::pair<uint32_t, uint32_t>{200, 300}, {300, 4096}, {10, 10}, {20, 10}}) {
        auto reports = Ask(*station_, FileGetFrame("DATA.CSV", start, end));
        ASSERT_EQ(reports.size(), 1u) << start << ".." << end;
        EXPECT_EQ(reports[0], END_MARKER);
    }
    for (const char* name : {"MISSING.CSV", "../card/DATA.CSV"}) {
        auto reports = Ask(*station_, FileGetFrame(name, 0, 100));
        ASSERT_EQ(reports.size(), 1u) << name;
        EXPECT_EQ(reports[0], END_MARKER);
    }
}

TEST_F(SimCardTest, ShortChunkFaultCutsTheEndOfEveryChunk) {
    MakeCard();
    const std::string file = Pattern(200);
    WriteFile(Card() + "/DATA.CSV", file);
    Station({{FaultSpec::Kind::ShortChunk, 5, ""}});
    std::vector<size_t> lengths;
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 0, 200)), &lengths),
              file.substr(0, 195));
    EXPECT_EQ(lengths, (std::vector<size_t>{62, 62, 62, 9}));
    EXPECT_EQ(Content(Ask(*station_, FileGetFrame("DATA.CSV", 100, 103))), "");
}

TEST_F(SimCardTest, ListNameFaultAddsAServableEntryThatNeverTouchesTheDisk) {
    MakeCard();
    WriteFile(Card() + "/A.CSV", "1");
    const std::string longName(70, 'N');
    Station({{FaultSpec::Kind::ListName, 0, "../EVIL.CSV"}});
    auto list = Ask(*station_, Frame(CMD_FILE_LIST));
    ASSERT_EQ(list.size(), 3u);
    const std::string entry(list[1].begin() + 1, list[1].begin() + 12);
    EXPECT_EQ(entry, "../EVIL.CSV");
    EXPECT_EQ(list[1][12], ',');
    const uint32_t size = list[1][13] << 24 | list[1][14] << 16 | list[1][15] << 8 | list[1][16];
    const std::string content = Content(Ask(*station_, FileGetFrame("../EVIL.CSV", 0, size)));
    EXPECT_EQ(content.size(), size);
    EXPECT_EQ(content.rfind("Time,Temperature(C)", 0), 0u);

    Ask(*station_, test::DeleteFrame("../EVIL.CSV"));
    EXPECT_EQ(Ask(*station_, Frame(CMD_FILE_LIST)).size(), 2u);
    EXPECT_TRUE(fs::exists(Card() + "/A.CSV"));

    // A name too long for an entry is clipped so that its size still fits.
    Station({{FaultSpec::Kind::ListName, 0, longName}});
    list = Ask(*station_, Frame(CMD_FILE_LIST));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(std::string(list[1].begin() + 1, list[1].begin() + 59), longName.substr(0, 58));
    EXPECT_EQ(list[1][59], ',');
}

TEST_F(SimCardTest, DeleteRemovesOnlyFilesInsideTheCard) {
    MakeCard();
    fs::create_directory(Card() + "/SUB");
    for (const char* name : {"A.CSV", "B.CSV", "SUB/X.CSV"}) WriteFile(Card() + "/" + name, "1");
    WriteFile(dir_.File("OUTSIDE.CSV"), "1");
    Station();

    EXPECT_TRUE(Ask(*station_, test::DeleteFrame("A.CSV")).empty());
    EXPECT_FALSE(fs::exists(Card() + "/A.CSV"));
    const std::vector<std::string> unsafe{
        "../OUTSIDE.CSV", "SUB/X.CSV", "SUB\\X.CSV", "..", "", std::string("B.CSV\x01", 6), "SUB"};
    for (const std::string& name : unsafe) {
        Ask(*station_, test::DeleteFrame(name));
    }
    EXPECT_TRUE(fs::exists(dir_.File("OUTSIDE.CSV")));
    EXPECT_TRUE(fs::exists(Card() + "/B.CSV"));
    EXPECT_TRUE(fs::exists(Card() + "/SUB/X.CSV"));
    EXPECT_TRUE(fs::is_directory(Card() + "/SUB"));

    WriteFile(dir_.File("SECRET.CSV"), "secret");
    auto reports = Ask(*station_, FileGetFrame("../SECRET.CSV", 0, 100));
    EXPECT_EQ(reports, std::vector<Report>{END_MARKER});
}

}  // namespace
}  // namespace corvalin
