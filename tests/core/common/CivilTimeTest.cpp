// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/CivilTime.h"

namespace corvalin {
namespace {

TEST(CivilTime, TextFormsReadExactlyAndLoosely) {
    struct Case {
        const char* text;
        std::optional<CivilTime> exact;
        std::optional<CivilTime> loose;
    };
    const CivilTime march{2024, 3, 5, 9, 7, 0};
    const CivilTime leap{2024, 2, 29, 23, 59, 59};
    const Case cases[] = {
        {"2024-03-05 09:07:00", march, march},
        {"2024-02-29 23:59:59", leap, leap},
        {"2024-3-5 9:07:00", std::nullopt, march},
        {" 2024-03-05 09:07:00 ", std::nullopt, march},
        {"0100-01-01 00:00:00", CivilTime{100, 1, 1, 0, 0, 0}, CivilTime{100, 1, 1, 0, 0, 0}},
        {"9999-12-31 23:59:59", CivilTime{9999, 12, 31, 23, 59, 59},
         CivilTime{9999, 12, 31, 23, 59, 59}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseCivilText(c.text), c.exact) << c.text;
        EXPECT_EQ(ParseLooseCivilText(c.text), c.loose) << c.text;
    }
    // Neither way reads these.
    // clang-format off
    for (const char* bad : {"0099-12-31 23:59:59", "2023-02-29 00:00:00", "2024-13-01 00:00:00",
             "2024-00-01 00:00:00", "2024-03-00 00:00:00", "2024-03-05 24:00:00",
             "2024-03-05 14:60:00", "2024-03-05 14:07:60", "2024-03-05T14:07:09",
             "12024-03-05 9:00:00", "2024-03-05 14:07:09 x", "2024-03-05 14:07", ""}) {
        EXPECT_FALSE(ParseCivilText(bad) || ParseLooseCivilText(bad)) << bad;
    }
    // clang-format on
    EXPECT_EQ(CivilText({2024, 3, 5, 9, 7, 0}), "2024-03-05 09:07:00");
    EXPECT_EQ(CivilText({100, 1, 1, 0, 0, 0}), "0100-01-01 00:00:00");
    // Dates alone, as the page's parameters give them.
    EXPECT_EQ(ParseCivilDate("2024-02-29"), (CivilTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(DateText(leap), "2024-02-29");
    for (const char* bad : {"2023-02-29", "2024-2-09", "2024-02-09T", "0099-01-01"}) {
        EXPECT_FALSE(ParseCivilDate(bad)) << bad;
    }
}

TEST(CivilTime, DaysSecondsAndWeekdaysOnTheGregorianCalendar) {
    struct Case {
        CivilTime time;
        int64_t wallSeconds;
        int dayOfWeek;  // 0 = Sunday
    };
    const Case cases[] = {
        {{1970, 1, 1, 0, 0, 0}, 0, 4},
        {{1969, 12, 31, 23, 59, 59}, -1, 3},
        {{2024, 2, 29, 12, 0, 0}, 1709208000, 4},
        {{1899, 12, 30, 0, 0, 0}, -2209161600, 6},
        {{2100, 3, 1, 6, 30, 0}, 4107565800, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WallSeconds(c.time), c.wallSeconds) << CivilText(c.time);
        EXPECT_EQ(CivilFromWallSeconds(c.wallSeconds), c.time) << c.wallSeconds;
        EXPECT_EQ(DayOfWeek(c.time), c.dayOfWeek) << CivilText(c.time);
    }
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

}  // namespace
}  // namespace corvalin
