#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliRunner.h"
#include "store/OleDate.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"
#include "support/TempDir.h"

namespace corvalin::cli {
namespace {

struct GraphRun {
    int status;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width and height from a PNG's header chunk; 0 x 0 when it is no PNG.
std::pair<uint32_t, uint32_t> PngSize(const std::string& path) {
    const std::string bytes = ReadAll(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0) {
        return {0, 0};
    }
    auto word = [&bytes](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

class GraphCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(data);
        RecordDatabase db;
        ASSERT_EQ(db.Connect(RecordDatabasePath(data)), 0) << db.LastError();
        ASSERT_EQ(db.OpenForAppend(), 0) << db.LastError();
        for (int minute = 0; minute < 120; ++minute) {
            const CivilTime time{2024, 3, 5, 10 + minute / 60, minute % 60, 0};
            const float temperature = 20.0f + static_cast<float>(minute % 7);
            ASSERT_EQ(db.AppendRecord({OleDateFromCivil(time), temperature, 40 + minute % 20,
                                       temperature - 8.0f, temperature + 1.0f}),
                      0);
        }
        ASSERT_EQ(db.CloseCursor(), 0);
    }

    GraphRun Graph(std::vector<std::string> args) {
        std::vector<std::string> all{"--data-dir", data, "graph"};
        all.insert(all.end(), args.begin(), args.end());
        std::ostringstream out, err;
        std::istringstream in;
        Console console{out, err, in, false, nullptr};
        const int status = RunCli(all, console);
        return {status, out.str(), err.str()};
    }

    test::TempDir dir;
    std::string data = dir.File("data");
};

TEST_F(GraphCliTest, WritesTheChartInTheSizeAndFormatAsked) {
    const std::string png = dir.File("graph.png");
    GraphRun run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out",
                          png, "--size", "640x360"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PngSize(png), (std::pair<uint32_t, uint32_t>{640, 360}));
    // 10:01 to 11:00: the start is left out, the end kept.
    EXPECT_EQ(run.out,
              "Wrote " + png + " (640x360): 60 Temperature, 60 DewPoint, 60 Heatindex points\n");

    const std::string svg = dir.File("graph.SVG");
    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 12:00:00", "--quantity",
                 "Humidity", "--out", svg});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadAll(svg).find("<svg"), std::string::npos);
    EXPECT_NE(run.out.find(": 119 Humidity points"), std::string::npos) << run.out;

    const std::string pdf = dir.File("graph.pdf");
    run = Graph({"--from", "2024-3-5 9:00:00", "--to", "2024-03-05 12:00:00", "--out", pdf});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(pdf).substr(0, 5), "%PDF-");

    const std::string standard = dir.File("standard.png");
    run =
        Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out", standard});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PngSize(standard), (std::pair<uint32_t, uint32_t>{1000, 500}));
}

TEST_F(GraphCliTest, EmptyRangeGivesAnEmptyChart) {
    const std::string png = dir.File("empty.png");
    const GraphRun run = Graph(
        {"--from", "2023-01-01 00:00:00", "--to", "2023-01-02 00:00:00", "--out", png, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"Temperature\": 0"), std::string::npos) << run.out;
    EXPECT_EQ(PngSize(png), (std::pair<uint32_t, uint32_t>{1000, 500}));
}

TEST_F(GraphCliTest, RefusesWhatCannotBeDrawn) {
    const std::string png = dir.File("refused.png");
    GraphRun run =
        Graph({"--from", "2024-03-05 11:00:01", "--to", "2024-03-05 11:00:00", "--out", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Time Error.\n");
    EXPECT_FALSE(std::filesystem::exists(png));

    run = Graph({"--from", "2024-02-30 10:00:00", "--to", "2024-03-05 11:00:00", "--out", png});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Not a valid time: \"2024-02-30 10:00:00\""), std::string::npos)
        << run.err;

    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out", png,
                 "--size", "640x0"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Not a valid size"), std::string::npos) << run.err;

    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out",
                 dir.File("graph.jpg")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(".png, .svg or .pdf"), std::string::npos) << run.err;

    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out", png,
                 "--quantity", "pressure"});
    EXPECT_EQ(run.status, 2);

    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out",
                 dir.File("no folder/graph.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot write the image"), std::string::npos) << run.err;

    std::filesystem::remove_all(data);
    std::ofstream(data) << "a file where the data folder should be\n";
    run = Graph({"--from", "2024-03-05 10:00:00", "--to", "2024-03-05 11:00:00", "--out", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.empty());
    EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace corvalin::cli
