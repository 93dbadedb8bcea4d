// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "CliFixture.h"
#include "store/OleDate.h"
#include "store/RecordDatabase.h"
#include "store/RecordSchema.h"
#include "support/Files.h"

namespace corvalin::cli {
namespace {

// What a file is: "PNG WxH", "SVG", "PDF", "none" (missing) or "other".
std::string ImageKind(const std::string& path) {
    const std::string bytes = test::ReadAll(path);
    if (bytes.empty()) return "none";
    if (bytes.rfind("%PDF-", 0) == 0) return "PDF";
    if (bytes.find("<svg") != std::string::npos) return "SVG";
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return "other";
    auto word = [&bytes](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        return std::to_string(value);
    };
    return "PNG " + word(16) + "x" + word(20);
}

// Two hours of readings, one a minute, from 10:00 on 2024-03-05.
class GraphCliTest : public CliTest {
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

    // `graph` up to 11:00 unless `more` says otherwise, drawn into `file` in the test folder.
    CliRun Graph(const char* from, const char* file, std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"graph", "--from", from, "--out", dir.File(file)});
        if (std::find(more.begin(), more.end(), "--to") == more.end()) {
            more.insert(more.end(), {"--to", "2024-03-05 11:00:00"});
        }
        return Cli(more);
    }
};

TEST_F(GraphCliTest, WritesTheImageInTheSizeAndFormatAsked) {
    // What is written on stdout is written only on success.
    CliRun run = Graph("2024-03-05 10:00:00", "a.png", {"--size", "640x360"});
    EXPECT_EQ(run.out, "Wrote " + dir.File("a.png") +
                           " (640x360): 60 Temperature, 60 DewPoint, 60 Heatindex points\n")
        << run.err;
    EXPECT_EQ(ImageKind(dir.File("a.png")), "PNG 640x360");
    run = Graph("2024-03-05 10:00:00", "b.SVG",
                {"--to", "2024-03-05 12:00:00", "--quantity", "Humidity"});
    EXPECT_NE(run.out.find(" (1000x500): 119 Humidity points\n"), std::string::npos) << run.out;
    EXPECT_EQ(ImageKind(dir.File("b.SVG")), "SVG");
    run = Graph("2024-3-5 9:00:00", "c.pdf");
    EXPECT_EQ(run.status, EXIT_DONE) << run.err;
    EXPECT_EQ(ImageKind(dir.File("c.pdf")), "PDF");
    run = Graph("2023-01-01 00:00:00", "d.png", {"--to", "2023-01-02 00:00:00", "--json"});
    EXPECT_EQ(run.status, EXIT_DONE) << run.err;
    EXPECT_NE(run.out.find("\"Temperature\": 0"), std::string::npos) << run.out;
    EXPECT_EQ(ImageKind(dir.File("d.png")), "PNG 1000x500");  // an empty chart
}

TEST_F(GraphCliTest, RefusesWhatCannotBeDrawnAndWritesNoFile) {
    struct Row {
        const char* from;
        const char* file;
        std::vector<std::string> more;
        int status;
        const char* says;
    };
    const Row rows[] = {
        {"2024-03-05 11:00:01", "a.png", {}, EXIT_FAILED, "Time Error.\n"},
        {"2024-03-05 10:00:00", "a.png", {"--size", "640x0"}, EXIT_USAGE, "Not a valid size"},
        {"2024-03-05 10:00:00", "a.jpg", {}, EXIT_USAGE, ".png, .svg or .pdf"},
        {"2024-03-05 10:00:00", "none/a.png", {}, EXIT_FAILED, "Cannot write the image"},
    };
    for (const Row& row : rows) {
        ExpectSaid(Graph(row.from, row.file, row.more), row.status, row.says);
        EXPECT_EQ(ImageKind(dir.File(row.file)), "none") << row.says;
    }

    // A data folder that cannot be: no database, no image.
    std::filesystem::remove_all(data);
    test::WriteAll(data, "a file where the data folder should be\n");
    const CliRun run = Graph("2024-03-05 10:00:00", "a.png");
    EXPECT_EQ(run.status, EXIT_FAILED);
    EXPECT_EQ(ImageKind(dir.File("a.png")), "none");
}

}  // namespace
}  // namespace corvalin::cli
