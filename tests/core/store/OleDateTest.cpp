#include <gtest/gtest.h>

#include <limits>

#include "store/OleDate.h"
#include "store/RangeText.h"

namespace corvalin {
namespace {

TEST(OleDate, CivilTimesAndTheirDates) {
    const CivilTime moment{2024, 3, 5, 14, 7, 9};
    EXPECT_DOUBLE_EQ(OleDateFromCivil(moment), 45356.58829861111);
    EXPECT_EQ(CivilFromOleDate(45356.58829861111), moment);
    EXPECT_EQ(OleDateFromCivil(CivilTime{}), 0.0);
    EXPECT_EQ(IsoText(*CivilFromOleDate(0.0)), "1899-12-30 00:00:00");
    EXPECT_EQ(IsoText(*CivilFromOleDate(-1.0)), "1899-12-29 00:00:00");
    // Before the epoch the fraction still counts forward from the day.
    EXPECT_DOUBLE_EQ(OleDateFromCivil(CivilTime{1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_EQ(IsoText(*CivilFromOleDate(-1.25)), "1899-12-29 06:00:00");
    EXPECT_EQ(IsoText(*CivilFromOleDate(-0.5)), "1899-12-30 12:00:00");
}

TEST(OleDate, RoundTripsEverySecondTheStationCanLog) {
    for (const CivilTime& time :
         {CivilTime{100, 1, 1, 0, 0, 0}, CivilTime{1900, 2, 28, 23, 59, 59},
          CivilTime{2000, 2, 29, 12, 0, 1}, CivilTime{2024, 12, 31, 23, 59, 59},
          CivilTime{9999, 12, 31, 23, 59, 59}, CivilTime{1850, 7, 4, 1, 2, 3}}) {
        const auto back = CivilFromOleDate(OleDateFromCivil(time));
        ASSERT_TRUE(back) << IsoText(time);
        EXPECT_EQ(*back, time) << IsoText(time);
    }
    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(IsoText(*CivilFromOleDate(45356.0 + 86399.6 / 86400)), "2024-03-06 00:00:00");
}

TEST(OleDate, DatesOutsideTheYearsOfOleDatesHaveNoCivilTime) {
    EXPECT_FALSE(CivilFromOleDate(1e9));
    EXPECT_FALSE(CivilFromOleDate(-1e9));
    EXPECT_FALSE(CivilFromOleDate(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(CivilFromOleDate(std::numeric_limits<double>::infinity()));
}

TEST(OleDate, IsoTextIsStrict) {
    EXPECT_EQ(ParseIsoText("2024-03-05 14:07:09"), (CivilTime{2024, 3, 5, 14, 7, 9}));
    EXPECT_FALSE(ParseIsoText("2024-3-05 14:07:09"));
    EXPECT_FALSE(ParseIsoText("2024-02-30 14:07:09"));
    EXPECT_FALSE(ParseIsoText("2024-03-05 24:00:00"));
    EXPECT_FALSE(ParseIsoText("2024-03-05T14:07:09"));
}

TEST(OleDate, EpochSeconds) {
    EXPECT_DOUBLE_EQ(EpochSecondsFromOleDate(25569.0), 0.0);
    EXPECT_DOUBLE_EQ(EpochSecondsFromOleDate(25569.5), 43200.0);
    EXPECT_DOUBLE_EQ(EpochSecondsFromOleDate(-1.25), (-1.0 + 0.25 - 25569.0) * 86400.0);
}

TEST(RangeText, YearAndHourWithoutLeadingZeros) {
    EXPECT_EQ(RangeText({2024, 3, 5, 9, 7, 0}), "2024-03-05 9:07:00");
    EXPECT_EQ(RangeText({2024, 11, 25, 23, 59, 59}), "2024-11-25 23:59:59");
}

TEST(RangeText, StoredFormIsPaddedSoThatItComparesAsTime) {
    EXPECT_EQ(StoredTimeFromRangeText("2024-03-05 9:07:00"), "2024-03-05 09:07:00");
    EXPECT_EQ(StoredTimeFromRangeText("2024-3-5 0:00:00"), "2024-03-05 00:00:00");
    EXPECT_EQ(StoredTimeFromRangeText(" 2024-03-05 09:07:00 "), "2024-03-05 09:07:00");
    EXPECT_LT(*StoredTimeFromRangeText("2024-03-05 9:00:00"),
              *StoredTimeFromRangeText("2024-03-05 10:00:00"));
    for (const char* bad :
         {"", "2024-13-01 0:00:00", "2023-02-29 0:00:00", "2024-03-05 24:00:00", "2024-03-05",
          "2024/03/05 9:00:00", "2024-03-05 9:00:00 x", "12024-03-05 9:00:00"}) {
        EXPECT_FALSE(StoredTimeFromRangeText(bad)) << bad;
    }
}

}  // namespace
}  // namespace corvalin
