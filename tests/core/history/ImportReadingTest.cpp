#include <gtest/gtest.h>

#include "device/ReadingFormat.h"
#include "history/ImportReading.h"
#include "store/OleDate.h"

namespace corvalin {
namespace {

TEST(ImportReading, NumbersAreReadFromTheStartOfTheField) {
    EXPECT_EQ(NumberAtStart("23.4"), 23.4f);
    EXPECT_EQ(NumberAtStart("-3.5"), -3.5f);
    EXPECT_EQ(NumberAtStart("  +7.25C"), 7.25f);
    EXPECT_EQ(NumberAtStart(".5"), 0.5f);
    EXPECT_EQ(NumberAtStart("12.3.4"), 12.3f);
    EXPECT_EQ(NumberAtStart("1e2x"), 100.0f);
    EXPECT_EQ(NumberAtStart(""), 0.0f);
    EXPECT_EQ(NumberAtStart("abc"), 0.0f);
    EXPECT_EQ(NumberAtStart("nan"), 0.0f);
    EXPECT_EQ(NumberAtStart("-"), 0.0f);
    EXPECT_EQ(NumberAtStart("- 3"), 0.0f);
    // Never read past the field's end, also when digits follow it in memory.
    const std::string line = "12345";
    EXPECT_EQ(NumberAtStart(std::string_view(line).substr(0, 2)), 12.0f);
    EXPECT_EQ(IntegerAtStart(std::string_view(line).substr(0, 3)), 123);

    EXPECT_EQ(IntegerAtStart("45"), 45);
    EXPECT_EQ(IntegerAtStart(" 45.9"), 45);
    EXPECT_EQ(IntegerAtStart("-7%"), -7);
    EXPECT_EQ(IntegerAtStart("%"), 0);
    EXPECT_EQ(IntegerAtStart("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(IntegerAtStart("-99999999999999999999"), INT32_MIN);
}

TEST(ImportReading, DoubleDashAnywhereIsAMissingValue) {
    EXPECT_TRUE(IsMissingValue("--"));
    EXPECT_TRUE(IsMissingValue("--.-"));
    EXPECT_TRUE(IsMissingValue(" 12--"));
    EXPECT_FALSE(IsMissingValue("-3.5"));
    EXPECT_FALSE(IsMissingValue("- -"));
}

TEST(ImportReading, ChannelLines) {
    const HistoryTable table(
        "h\n2024-03-05 14:07:09,23.4,45,10.8,24.1\n"
        "2024-03-05 14:12:09,--,--,--.-,--\n"
        "not a time,-3.5,45\n"
        "2024-02-30 10:00:00,,x,1.5,2.5\n",
        false);
    const double time = OleDateFromCivil({2024, 3, 5, 14, 7, 9});
    EXPECT_EQ(ReadingFromLine(table, 0, DateOrder::MonthFirst),
              (ReadingRecord{time, 23.4f, 45, 10.8f, 24.1f}));
    EXPECT_EQ(ReadingFromLine(table, 1, DateOrder::MonthFirst).temperature, NO_DATA);
    EXPECT_EQ(ReadingFromLine(table, 1, DateOrder::MonthFirst).humidity, NO_DATA_INT);
    EXPECT_EQ(ReadingFromLine(table, 1, DateOrder::MonthFirst).dewpoint, NO_DATA);
    EXPECT_EQ(ReadingFromLine(table, 1, DateOrder::MonthFirst).heatindex, NO_DATA);
    // No date at all: 0.0; fields the line lacks are missing values.
    EXPECT_EQ(ReadingFromLine(table, 2, DateOrder::MonthFirst),
              (ReadingRecord{0.0, -3.5f, 45, NO_DATA, NO_DATA}));
    // An invalid date: -1.0; empty or wordy fields read as 0.
    EXPECT_EQ(ReadingFromLine(table, 3, DateOrder::MonthFirst),
              (ReadingRecord{-1.0, 0.0f, 0, 1.5f, 2.5f}));
}

TEST(ImportReading, IndoorLinesNeverHaveDewPointOrHeatIndex) {
    const HistoryTable table("h\n03-05-2024 14:07,21.5,40,9.9,20.0\n", true);
    EXPECT_EQ(
        ReadingFromLine(table, 0, DateOrder::DayFirst),
        (ReadingRecord{OleDateFromCivil({2024, 5, 3, 14, 7, 0}), 21.5f, 40, NO_DATA, NO_DATA}));
}

}  // namespace
}  // namespace corvalin
