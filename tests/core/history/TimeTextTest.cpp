#include <gtest/gtest.h>

#include "history/TimeText.h"
#include "store/OleDate.h"

namespace corvalin {
namespace {

double At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return OleDateFromCivil({year, month, day, hour, minute, second});
}

TEST(TimeText, TheStationsOwnFormAndItsRelatives) {
    const auto order = DateOrder::MonthFirst;
    EXPECT_EQ(ParseTimeText("2024-03-05 14:07:09", order), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(ParseTimeText("2024/03/05 14:07", order), At(2024, 3, 5, 14, 7));
    EXPECT_EQ(ParseTimeText("2024-3-5 4:07:09", order), At(2024, 3, 5, 4, 7, 9));
    EXPECT_EQ(ParseTimeText("  2024-03-05   14:07:09  ", order), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(ParseTimeText("2024-03-05", order), At(2024, 3, 5));
    EXPECT_EQ(ParseTimeText("14:07:09", order), At(1899, 12, 30, 14, 7, 9));
}

TEST(TimeText, AmAndPmBeforeOrAfterTheTime) {
    const auto order = DateOrder::MonthFirst;
    EXPECT_EQ(ParseTimeText("2024-03-05 2:07:09 PM", order), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(ParseTimeText("2024-03-05 02:07:09pm", order), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(ParseTimeText("2024-03-05 PM 2:07:09", order), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(ParseTimeText("2024-03-05 AM 12:30:00", order), At(2024, 3, 5, 0, 30));
    EXPECT_EQ(ParseTimeText("2024-03-05 12:30:00 PM", order), At(2024, 3, 5, 12, 30));
    EXPECT_EQ(ParseTimeText("03/05/2024 9:15 AM", order), At(2024, 3, 5, 9, 15));
}

TEST(TimeText, DayAndMonthFollowTheSettingUnlessANumberSettlesIt) {
    EXPECT_EQ(ParseTimeText("03-05-2024 10:00", DateOrder::MonthFirst), At(2024, 3, 5, 10));
    EXPECT_EQ(ParseTimeText("03-05-2024 10:00", DateOrder::DayFirst), At(2024, 5, 3, 10));
    EXPECT_EQ(ParseTimeText("25/12/2024", DateOrder::MonthFirst), At(2024, 12, 25));
    EXPECT_EQ(ParseTimeText("12/25/2024", DateOrder::DayFirst), At(2024, 12, 25));
    EXPECT_EQ(ParseTimeText("05.03.24", DateOrder::DayFirst), At(2024, 3, 5));
    EXPECT_EQ(ParseTimeText("05.03.95", DateOrder::DayFirst), At(1995, 3, 5));
    EXPECT_EQ(DateOrderFromSetting(2), DateOrder::DayFirst);
    EXPECT_EQ(DateOrderFromSetting(1), DateOrder::MonthFirst);
    EXPECT_EQ(DateOrderFromSetting(0), DateOrder::MonthFirst);
}

TEST(TimeText, NoDateAtAllGivesZero) {
    for (const char* text :
         {"", "   ", "Time", "hello", "--", "2024", "2024-03", "20240305 140709", "2024-03-05x",
          "2024-03-05 14", "2024-03-05 14:07:09 extra", "2024-03/05", "2024-03-05 PM",
          "12345-01-01", "2024-03-05 14:07:09.5"}) {
        EXPECT_EQ(ParseTimeText(text, DateOrder::MonthFirst), TIME_NOT_A_DATE)
            << '"' << text << '"';
    }
}

TEST(TimeText, ADateThatDoesNotExistGivesMinusOne) {
    for (const char* text :
         {"2024-13-05 10:00:00", "2023-02-29", "2024-02-30 10:00", "2024-00-10", "2024-03-32",
          "2024-03-05 25:00", "2024-03-05 10:60", "2024-03-05 10:00:60", "2024-03-05 13:00 PM",
          "13/13/2024", "0000-01-01"}) {
        EXPECT_EQ(ParseTimeText(text, DateOrder::MonthFirst), TIME_INVALID_DATE)
            << '"' << text << '"';
    }
    EXPECT_EQ(ParseTimeText("2024-02-29 23:59:59", DateOrder::MonthFirst),
              At(2024, 2, 29, 23, 59, 59));
}

}  // namespace
}  // namespace corvalin
