// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "SimTestSupport.h"
#include "protocol/CardFrames.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;
using test::END_MARKER;
using Reports = std::vector<Report>;

// The reports of a chunk: "{", up to 62 bytes of content, "}", zeros; then the end marker.
Reports Chunk(const std::string& content) {
    Reports reports;
    for (size_t at = 0; at < content.size(); at += 62) {
        std::vector<uint8_t> piece(content.begin() + at,
                                   content.begin() + std::min(content.size(), at + 62));
        piece.push_back(0x7D);
        reports.push_back(test::Answer(piece));
    }
    reports.push_back(END_MARKER);
    return reports;
}

class SimCardTest : public test::SimTest {
protected:
    Reports Get(const std::string& name, uint32_t start, uint32_t end) {
        return test::Ask(*station_, MakeFileGetFrame(name, start, end));
    }
};

TEST_F(SimCardTest, ANewCardHoldsALogPerSensorAndAnIndoorLogInTheStationsUnit) {
    Station(Options(false, {}, {{2, true, 23.4, 45}, {3, false, 0, 0}}));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Card()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"CH1.CSV", "CH2.CSV", "CH4.CSV", "CH5.CSV",
                                               "CH6.CSV", "CH7.CSV", "INDOOR.CSV"}));
    const std::string value = R"((-?\d+\.\d|--))", time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
    const std::regex indoorLine(time + "," + value + R"(,(\d+|--)\r)");
    const std::regex channelLine(time + "," + value + R"(,(\d+|--),)" + value + "," + value + "\r");
    for (const std::string& name : names) {
        const bool indoor = name == "INDOOR.CSV";
        std::istringstream lines(test::ReadAll(Card() + "/" + name));
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, indoor ? "Time,Temperature(C),Humidity(%)\r"
                               : "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r");
        int count = 0;
        bool missing = false;
        for (; std::getline(lines, line); ++count) {
            ASSERT_TRUE(std::regex_match(line, indoor ? indoorLine : channelLine)) << line;
            missing = missing || line.find("--") != std::string::npos;
        }
        EXPECT_EQ(count, 3 * 24 * 12 + 1) << name << ": three days at five minutes";
        EXPECT_TRUE(missing) << name;
    }
    // A fixed sensor logs its exact values; the dew point follows Magnus.
    EXPECT_NE(test::ReadAll(Card() + "/CH2.CSV").find(",23.4,45,10.8,23.4\r\n"), std::string::npos);

    // A station set to °F (unit byte 7 of the settings) logs in °F.
    test::WriteAll(dir_.File("state.json"),
                   R"({"settings": "0018000000000100FFFFFF00000000000000000000000000000000"})");
    SimOptions options = Options();
    options.cardDir = dir_.File("card F");
    options.stateFile = dir_.File("state.json");
    options.sensors = {{2, true, 23.4, 45}};
    Station(options);
    const std::string text = test::ReadAll(dir_.File("card F/CH2.CSV"));
    EXPECT_EQ(text.rfind("Time,Temperature(F),Humidity(%),DewPoint(F),HeatIndex(F)\r\n", 0), 0u);
    EXPECT_NE(text.find(",74.1,45,51.4,74.1\r\n"), std::string::npos);

    // A temporary card goes with its station.
    std::string temporary;
    {
        SimulatedStation station(SimOptions{});
        ASSERT_TRUE(station.Start());
        temporary = station.CardDir();
        EXPECT_TRUE(fs::exists(temporary + "/CH1.CSV"));
    }
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(SimCardTest, FilesAreListedSortedAndServedIn62ByteReportsWithinTheFile) {
    fs::create_directories(Card() + "/SUB");
    std::string file(200, ' ');
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>('A' + i % 26);
    test::WriteAll(Card() + "/DATA.CSV", file);
    test::WriteAll(Card() + "/A.CSV", "");
    test::WriteAll(Card() + "/LONG.CSV", std::string(70000, 'x'));
    Station(Options());
    EXPECT_EQ(
        test::Ask(*station_, test::Frame(CMD_FILE_LIST)),
        (Reports{test::Answer({'A', '.', 'C', 'S', 'V', ',', 0, 0, 0, 0}),
                 test::Answer({'D', 'A', 'T', 'A', '.', 'C', 'S', 'V', ',', 0, 0, 0, 200}),
                 test::Answer({'L', 'O', 'N', 'G', '.', 'C', 'S', 'V', ',', 0, 1, 0x11, 0x70}),
                 END_MARKER}));
    EXPECT_EQ(Get("DATA.CSV", 0, 200), Chunk(file));
    // An end beyond the size stops at the size; offsets whose bytes look like
    // the terminator do not confuse the frame's parsing.
    EXPECT_EQ(Get("DATA.CSV", 0x40, 0x7D40), Chunk(file.substr(0x40)));
    // Empty or backward ranges, missing files, names outside the card: the end marker alone.
    using Range = std::tuple<const char*, uint32_t, uint32_t>;
    for (auto [name, start, end] :
         {Range{"DATA.CSV", 200, 300}, Range{"DATA.CSV", 10, 10}, Range{"DATA.CSV", 20, 10},
          Range{"MISSING.CSV", 0, 100}, Range{"../card/DATA.CSV", 0, 100}}) {
        EXPECT_EQ(Get(name, start, end), Reports{END_MARKER}) << name << " " << start;
    }
    // The short-chunk fault cuts the end of every chunk.
    Station(Options(false, {{FaultSpec::Kind::ShortChunk, 5, ""}}));
    EXPECT_EQ(Get("DATA.CSV", 0, 200), Chunk(file.substr(0, 195)));
}

TEST_F(SimCardTest, DeletesStayInsideTheCardAndTheListNameFaultNeverTouchesTheDisk) {
    fs::create_directories(Card() + "/SUB");
    for (const char* name : {"A.CSV", "B.CSV", "SUB/X.CSV"})
        test::WriteAll(Card() + "/" + name, "1");
    test::WriteAll(dir_.File("OUTSIDE.CSV"), "secret");
    Station(Options(false, {{FaultSpec::Kind::ListName, 0, "../EVIL.CSV"}}));
    EXPECT_TRUE(test::Ask(*station_, MakeDeleteFileFrame("A.CSV")).empty());
    EXPECT_FALSE(fs::exists(Card() + "/A.CSV"));
    for (const char* name :
         {"../OUTSIDE.CSV", "SUB/X.CSV", "SUB\\X.CSV", "..", "", "B.CSV\x01", "SUB"}) {
        test::Ask(*station_, MakeDeleteFileFrame(name));
    }
    EXPECT_TRUE(fs::exists(dir_.File("OUTSIDE.CSV")) && fs::exists(Card() + "/B.CSV"));
    EXPECT_TRUE(fs::exists(Card() + "/SUB/X.CSV") && fs::is_directory(Card() + "/SUB"));
    EXPECT_EQ(Get("../OUTSIDE.CSV", 0, 100), Reports{END_MARKER});

    // The extra entry is listed last, served, and deleted without the disk.
    Reports list = test::Ask(*station_, test::Frame(CMD_FILE_LIST));
    ASSERT_EQ(list.size(), 3u);
    const FileEntry entry = ParseFileListLine(list[1]);
    EXPECT_EQ(entry.name, "../EVIL.CSV");
    const Reports served = Get("../EVIL.CSV", 0, entry.size);
    EXPECT_EQ(served.size(), (entry.size + 61) / 62 + 1);
    EXPECT_EQ(std::string(served[0].begin() + 1, served[0].begin() + 20), "Time,Temperature(C)");
    test::Ask(*station_, MakeDeleteFileFrame("../EVIL.CSV"));
    EXPECT_EQ(test::Ask(*station_, test::Frame(CMD_FILE_LIST)).size(), 2u);
    // A name too long for an entry is clipped so that its size still fits.
    Station(Options(false, {{FaultSpec::Kind::ListName, 0, std::string(70, 'N')}}));
    list = test::Ask(*station_, test::Frame(CMD_FILE_LIST));
    EXPECT_EQ(ParseFileListLine(list.at(1)).name, std::string(58, 'N'));
}

}  // namespace
}  // namespace corvalin
