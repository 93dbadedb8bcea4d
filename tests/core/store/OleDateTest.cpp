// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <limits>

#include "store/OleDate.h"
#include "store/RangeText.h"

namespace corvalin {
namespace {

TEST(OleDate, CivilTimesAndTheirDates) {
    // Before 1899-12-30 the fraction still counts forward from the day.
    // clang-format off
    const std::pair<CivilTime, double> rows[] = {
        {{2024, 3, 5, 14, 7, 9}, 45356.58829861111}, {{1899, 12, 30, 0, 0, 0}, 0.0},
        {{1899, 12, 29, 0, 0, 0}, -1.0}, {{1899, 12, 29, 6, 0, 0}, -1.25},
        {{1899, 12, 30, 12, 0, 0}, 0.5},
    };
    // clang-format on
    for (const auto& [civil, date] : rows) {
        EXPECT_DOUBLE_EQ(OleDateFromCivil(civil), date) << CivilText(civil);
        EXPECT_EQ(CivilFromOleDate(date), civil) << date;
    }
    EXPECT_EQ(CivilText(*CivilFromOleDate(-0.5)), "1899-12-30 12:00:00");
    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(CivilText(*CivilFromOleDate(45356.0 + 86399.6 / 86400)), "2024-03-06 00:00:00");
    for (const CivilTime& time :
         {CivilTime{100, 1, 1, 0, 0, 0}, CivilTime{2000, 2, 29, 12, 0, 1},
          CivilTime{9999, 12, 31, 23, 59, 59}, CivilTime{1850, 7, 4, 1, 2, 3}}) {
        EXPECT_EQ(CivilFromOleDate(OleDateFromCivil(time)), time) << CivilText(time);
    }
    // Outside the years of OLE dates there is no civil time.
    for (double date : {1e9, -1e9, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(CivilFromOleDate(date)) << date;
    }
}

TEST(RangeText, YearAndHourWithoutLeadingZeros) {
    EXPECT_EQ(RangeText({2024, 3, 5, 9, 7, 0}), "2024-03-05 9:07:00");
}

}  // namespace
}  // namespace corvalin
