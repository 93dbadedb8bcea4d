#include <gtest/gtest.h>

#include "history/HistoryTable.h"

namespace corvalin {
namespace {

std::vector<std::string> Row(const HistoryTable& table, size_t row) {
    std::vector<std::string> cells;
    for (size_t column = 0; column < 5; ++column) cells.emplace_back(table.Cell(row, column));
    return cells;
}

const char* const CHANNEL_HEADER = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)";

TEST(HistoryTable, ChannelLinesSplitIntoFiveFields) {
    const HistoryTable table(
        std::string(CHANNEL_HEADER) +
            "\r\n2024-03-05 14:07:09,23.4,45,10.8,24.1\r\n"
            "2024-03-05 14:12:09,--,--,--.-,--\n"
            "2024-03-05 14:17:09,-3.5,45,1,2,3,4",  // the last field runs to the end
        false);
    EXPECT_EQ(table.Header(), CHANNEL_HEADER);
    ASSERT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(Row(table, 0),
              (std::vector<std::string>{"2024-03-05 14:07:09", "23.4", "45", "10.8", "24.1"}));
    EXPECT_EQ(Row(table, 1),
              (std::vector<std::string>{"2024-03-05 14:12:09", "--", "--", "--.-", "--"}));
    EXPECT_EQ(Row(table, 2),
              (std::vector<std::string>{"2024-03-05 14:17:09", "-3.5", "45", "1", "2,3,4"}));
}

TEST(HistoryTable, IndoorLinesHaveThreeFieldsTheLastToTheEnd) {
    const HistoryTable table(
        "Time,Temperature(C),Humidity(%)\n2024-03-05 14:07:09,21.0,40,9.9,20.0\n", true);
    ASSERT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(table.FieldCount(), 3u);
    EXPECT_EQ(Row(table, 0),
              (std::vector<std::string>{"2024-03-05 14:07:09", "21.0", "40,9.9,20.0", "", ""}));
    EXPECT_FALSE(table.Field(0, 3));
}

TEST(HistoryTable, ShortLinesLackTheirLastFields) {
    const HistoryTable table("h\n2024-03-05 14:07:09,23.4\n\n2024-03-05 14:17:09,1,2,3,\nonly",
                             false);
    ASSERT_EQ(table.RowCount(), 4u);
    EXPECT_EQ(table.Field(0, 1), "23.4");
    EXPECT_FALSE(table.Field(0, 2));
    EXPECT_FALSE(table.Field(0, 4));
    // An empty line has one empty field.
    EXPECT_EQ(table.Field(1, 0), "");
    EXPECT_FALSE(table.Field(1, 1));
    // A trailing comma gives an empty last field, which is there.
    EXPECT_EQ(table.Field(2, 4), "");
    EXPECT_EQ(table.Field(3, 0), "only");
    EXPECT_FALSE(table.Field(3, 1));
    EXPECT_EQ(Row(table, 3), (std::vector<std::string>{"only", "", "", "", ""}));
    EXPECT_FALSE(table.Field(4, 0));
    EXPECT_EQ(table.Cell(9, 0), "");
}

TEST(HistoryTable, LongFieldsShowTheirFirst79Bytes) {
    const std::string longField(200, '7');
    const HistoryTable table("h\n" + longField + ",1," + longField + "\n", true);
    EXPECT_EQ(table.Field(0, 0), longField);
    EXPECT_EQ(table.Cell(0, 0), longField.substr(0, 79));
    EXPECT_EQ(table.Cell(0, 2), longField.substr(0, 79));
    EXPECT_EQ(table.Cell(0, 1), "1");
}

TEST(HistoryTable, EmptyFilesAndHeaderOnlyFilesHaveNoRows) {
    EXPECT_EQ(HistoryTable("", false).RowCount(), 0u);
    EXPECT_EQ(HistoryTable("", false).Header(), "");
    const HistoryTable headerOnly("Time,Temperature(F),Humidity(%)\r\n", true);
    EXPECT_EQ(headerOnly.RowCount(), 0u);
    EXPECT_EQ(headerOnly.Header(), "Time,Temperature(F),Humidity(%)");
}

TEST(HistoryTable, CellsConvertToUtf8AndTheTableMovesSafely) {
    HistoryTable table(
        "h\n\xB0"
        "C,\x80\n",
        true);
    HistoryTable moved = std::move(table);
    EXPECT_EQ(moved.Header(), "h");
    EXPECT_EQ(moved.CellUtf8(0, 0),
              "\xC2\xB0"
              "C");
    EXPECT_EQ(moved.CellUtf8(0, 1), "\xE2\x82\xAC");
}

TEST(HistoryTable, HoldsTheFileOnceAndFewOffsetsPerLine) {
    std::string file = std::string(CHANNEL_HEADER) + "\r\n";
    const std::string line = "2024-03-05 14:07:09,23.4,45,10.8,24.1\r\n";
    for (int i = 0; i < 10000; ++i) file += line;
    const size_t size = file.size();
    const HistoryTable table(std::string(file),
                             false);  // a copy is sized exactly, as a file read is
    EXPECT_EQ(table.RowCount(), 10000u);
    EXPECT_LE(table.MemoryBytes(), size + 10000 * 6 * sizeof(uint32_t) + 1024);
}

}  // namespace
}  // namespace corvalin
