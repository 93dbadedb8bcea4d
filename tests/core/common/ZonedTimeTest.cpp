// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/ZonedTime.h"
#include "support/ScopedEnvironment.h"

namespace corvalin {
namespace {

CivilTime At(int year, int month, int day, int hour, int minute) {
    return {year, month, day, hour, minute, 0};
}

struct FallBack {
    const char* zone;
    CivilTime day;  // midnight of the day the clock falls back
    int64_t midnightUtc;
};

// Every 15 minutes through the night the clock falls back: the wall times
// repeat an hour, the instants go on in order with none merged.
TEST(WallTimeZone, PlacesTheRepeatedHourByTheOrderOfTheLines) {
    const FallBack days[] = {
        {"Europe/Berlin", At(2024, 10, 27, 0, 0), 1729980000},    // 00:00 CEST = 22:00Z
        {"America/New_York", At(2024, 11, 3, 0, 0), 1730606400},  // 00:00 EDT = 04:00Z
        // Its winter is the zone's daylight time, with a negative saving.
        {"Europe/Dublin", At(2024, 10, 27, 0, 0), 1729983600},  // 00:00 IST = 23:00Z
    };
    for (const FallBack& day : days) {
        SCOPED_TRACE(day.zone);
        ZoneScope scope(day.zone);
        const WallTimeZone zone = WallTimeZone::Local();
        // Instants every 15 minutes from midnight, as the station logs them.
        std::optional<int64_t> previous;
        for (int step = 0; step < 24; ++step) {
            const int64_t instant = day.midnightUtc + step * 900;
            const CivilTime wall = LocalCivilTime(instant);
            const int64_t read = zone.ToUtc(wall, previous);
            EXPECT_EQ(read, instant) << "line " << step << " at " << CivilText(wall);
            previous = read;
        }
    }
}

TEST(WallTimeZone, ReadsOrdinaryAndSkippedHoursAndFixedOffsets) {
    ZoneScope scope("Europe/Berlin");
    const WallTimeZone local = WallTimeZone::Local();
    EXPECT_EQ(local.ToUtc(At(2024, 7, 1, 12, 0), std::nullopt), 1719828000);  // CEST
    EXPECT_EQ(local.ToUtc(At(2024, 1, 1, 12, 0), std::nullopt), 1704106800);  // CET
    // A line before the previous one in an ordinary hour is still read as written.
    EXPECT_EQ(local.ToUtc(At(2024, 1, 1, 12, 0), 1704200000), 1704106800);
    // 02:30 on the spring-forward day does not exist; it lands after the gap.
    const int64_t skipped = local.ToUtc(At(2024, 3, 31, 2, 30), std::nullopt);
    EXPECT_GT(skipped, local.ToUtc(At(2024, 3, 31, 1, 45), std::nullopt));
    EXPECT_LT(skipped, local.ToUtc(At(2024, 3, 31, 3, 45), std::nullopt));

    // The station's own settings: UTC-5 with daylight saving on is UTC-4.
    const WallTimeZone station = WallTimeZone::FixedOffset(-4 * 3600);
    EXPECT_EQ(station.ToUtc(At(2024, 10, 27, 2, 30), std::nullopt), 1730010600);
}

TEST(ZonedTime, WritesIsoTimesWithTheirOffsetAndReadsTimeArguments) {
    ZoneScope scope("Europe/Berlin");
    EXPECT_EQ(IsoTime(1729989000), "2024-10-27T02:30:00+02:00");
    EXPECT_EQ(IsoTime(1729992600), "2024-10-27T02:30:00+01:00");
    EXPECT_EQ(IsoTime(1729989000, true), "2024-10-27T00:30:00Z");
    ZoneScope west("America/St_Johns");  // a half-hour zone, west of UTC
    EXPECT_EQ(IsoTime(1704106800), "2024-01-01T07:30:00-03:30");

    struct Case {
        const char* text;
        std::optional<int64_t> utc;
    };
    const Case cases[] = {
        {"2024-01-01T11:00:00Z", 1704106800},
        {"2024-01-01 14:30+03:30", 1704106800},
        {"2024-01-01T11:00:00-0100", 1704110400},
        {"2024-01-01 07:30", 1704106800},  // local: St John's
        {"2024-01-01", 1704079800},
        {"2024-02-30", std::nullopt},
        {"2024-01-01T11:00:00+", std::nullopt},
        {"yesterday", std::nullopt},
    };
    for (const Case& c : cases) {
        const Result<int64_t> parsed = ParseTimeArgument(c.text);
        EXPECT_EQ(parsed.value, c.utc) << c.text;
        if (!c.utc) EXPECT_NE(parsed.error.find("is not a time"), std::string::npos);
    }
}

// A local day runs from its first second to the next day's, whatever the
// clock does in between; a day whose midnight is skipped begins when the
// clock goes on.
TEST(ZonedTime, LocalDaysSpanTheirHoursAcrossClockChanges) {
    struct Case {
        const char* zone;
        const char* date;
        int64_t start;
        int64_t hours;  // in quarter hours
    };
    const Case cases[] = {
        {"Europe/Berlin", "2024-03-31", 1711839600, 23 * 4},
        {"Europe/Berlin", "2024-10-27", 1729980000, 25 * 4},
        {"America/New_York", "2024-11-03", 1730606400, 25 * 4},
        {"America/Santiago", "2024-09-08", 1725768000, 23 * 4},
        {"Asia/Kolkata", "2024-01-15", 1705257000, 24 * 4},
        {"Australia/Lord_Howe", "2024-04-07", 1712408400, 24 * 4 + 2},
    };
    for (const Case& c : cases) {
        ZoneScope scope(c.zone);
        const CivilTime date = *ParseCivilDate(c.date);
        const UtcSpan span = LocalDaySpan(date);
        EXPECT_EQ(span.from, c.start) << c.zone << " " << c.date;
        EXPECT_EQ(span.to - span.from, c.hours * 900) << c.zone << " " << c.date;
        EXPECT_EQ(LocalDate(span.from), date) << c.zone << " " << c.date;
        EXPECT_EQ(LocalDate(span.to - 1), date) << c.zone << " " << c.date;
        EXPECT_NE(LocalDate(span.from - 1), date) << c.zone << " " << c.date;
    }
}

}  // namespace
}  // namespace corvalin
