// SPDX-License-Identifier: GPL-3.0-or-later
#include <random>

#include "store/Sqlite.h"
#include "summary/DaySummaries.h"
#include "summary/Records.h"
#include "support/ArchiveRows.h"
#include "support/ScopedEnvironment.h"

namespace corvalin {
namespace {

using test::Reading;

// A row every quarter hour from six hours before the day to six after it,
// its temperature the hours since the day began: the day's lowest is its
// first second, its highest its last quarter, its count its length.
TEST(DaySummaries, LocalDaysFollowTheClockChangesOfTheZone) {
    struct Case {
        const char* zone;
        const char* date;
        int64_t start;    // UTC
        int64_t seconds;  // the day's length
    };
    const Case cases[] = {
        {"America/St_Johns", "2024-03-10", 1710041400, 23 * 3600},  // half an hour off UTC
        {"America/St_Johns", "2024-11-03", 1730601000, 25 * 3600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.date);
        ZoneScope zone(c.zone);
        test::ArchiveFixture fixture;
        std::vector<ArchiveRow> rows;
        for (int64_t t = c.start - 6 * 3600; t < c.start + c.seconds + 6 * 3600; t += 900) {
            rows.push_back(Reading(2, t, (t - c.start) / 3600.0));
        }
        ASSERT_TRUE(fixture.archive->Add("s", rows));
        const CivilTime date = *ParseCivilDate(c.date);
        for (bool everyQuantity : {false, true}) {
            SCOPED_TRACE(everyQuantity ? "from rows" : "from hours");
            const auto days =
                SummarizeDays(*fixture.archive, {"s",
                                                 CivilFromDays(DaysSinceEpoch(date) - 1),
                                                 CivilFromDays(DaysSinceEpoch(date) + 1),
                                                 {},
                                                 everyQuantity});
            ASSERT_TRUE(days) << days.error;
            ASSERT_EQ(days->size(), 3u);
            const DaySummary& day = (*days)[1];
            EXPECT_EQ(day.date, date);
            const QuantityStats& t = day.Of(Quantity::Temperature);
            EXPECT_EQ(t.count, c.seconds / 900);
            EXPECT_EQ(t.extremes, (Extremes{true, 0.0, c.start, (c.seconds - 900) / 3600.0,
                                            c.start + c.seconds - 900}));
            EXPECT_EQ(*day.Of(Quantity::Humidity).Mean(), 50.0);
            EXPECT_EQ((*days)[0].Of(Quantity::Temperature).extremes.highest, -0.25);
            EXPECT_EQ((*days)[2].Of(Quantity::Temperature).extremes.lowest, c.seconds / 3600.0);
            // Only the rows' own quantities unless every one is asked for.
            EXPECT_EQ(day.Of(Quantity::AbsoluteHumidity).count, everyQuantity ? t.count : 0);
        }
    }
}

// Random readings over a fortnight in a zone half an hour off UTC, with its
// fall back: the hours' summaries give what the rows give.
TEST(DaySummaries, HoursAndRowsAgree) {
    ZoneScope zone("America/St_Johns");
    test::ArchiveFixture fixture;
    std::mt19937 random(7);
    std::vector<ArchiveRow> rows;
    // Each on a minute's last second, as a logger started then reads: some
    // on an hour's last.
    for (int64_t t = 1729900019; t < 1729900019 + 14 * 86400; t += 60 * (1 + random() % 10)) {
        const int channel = 1 + static_cast<int>(random() % 3);
        std::optional<double> temperature = (static_cast<int>(random() % 400) - 100) / 10.0;
        if (random() % 10 == 0) temperature.reset();
        rows.push_back(Reading(channel, t, temperature, static_cast<double>(random() % 100)));
    }
    // Added in two halves, the later first, as a card fills in the past; the
    // earlier half in every other row, so that each of its hours is added to,
    // the second time with a row again, so that its hours are read back.
    const size_t half = rows.size() / 2;
    ASSERT_TRUE(fixture.archive->Add("s", {rows.begin() + half, rows.end()}));
    for (size_t first : {0, 1}) {
        std::vector<ArchiveRow> every;
        for (size_t i = first; i < half; i += 2) every.push_back(rows[i]);
        if (first == 1) every.push_back(rows[0]);
        ASSERT_TRUE(fixture.archive->Add("s", every));
    }
    DayQuery query{"s", *ParseCivilDate("2024-10-26"), *ParseCivilDate("2024-11-09"), {1, 3}};
    const auto fromHours = SummarizeDays(*fixture.archive, query);
    query.everyQuantity = true;
    const auto fromRows = SummarizeDays(*fixture.archive, query);
    ASSERT_TRUE(fromHours && fromRows);
    ASSERT_EQ(fromHours->size(), fromRows->size());
    ASSERT_GT(fromHours->size(), 20u);
    for (size_t i = 0; i < fromHours->size(); ++i) {
        const DaySummary& a = (*fromHours)[i];
        const DaySummary& b = (*fromRows)[i];
        EXPECT_EQ(a.date, b.date);
        EXPECT_EQ(a.channel, b.channel);
        EXPECT_NE(a.channel, 2);
        for (Quantity quantity : {Quantity::Temperature, Quantity::Humidity}) {
            EXPECT_EQ(a.Of(quantity).extremes, b.Of(quantity).extremes) << DateText(a.date);
            EXPECT_EQ(a.Of(quantity).count, b.Of(quantity).count) << DateText(a.date);
            EXPECT_NEAR(a.Of(quantity).sum, b.Of(quantity).sum, 1e-6) << DateText(a.date);
        }
    }
    // A last day before the first is refused, and named.
    std::swap(query.from, query.to);
    EXPECT_NE(SummarizeDays(*fixture.archive, query).error.find("2024-11-09"), std::string::npos);
}

// An archive from before the summaries: read as it is where it cannot be
// written, and given its summaries by the next writer.
TEST(DaySummaries, AnArchiveWithoutSummariesGivesTheSameDaysAndRecords) {
    ZoneScope zone("Europe/Berlin");
    test::ArchiveFixture fixture;
    std::vector<ArchiveRow> rows;
    for (int64_t t = 1700000000; t < 1700000000 + 3 * 86400; t += 1800) {
        rows.push_back(Reading(1 + t / 1800 % 2, t, (t / 1800 % 37) / 2.0 - 5));
    }
    ASSERT_TRUE(fixture.archive->Add("s", rows));
    const DayQuery query{"s", *ParseCivilDate("2023-11-14"), *ParseCivilDate("2023-11-18"), {}};
    const auto days = SummarizeDays(*fixture.archive, query);
    const auto records = ReadRecords(*fixture.archive, "s");
    ASSERT_TRUE(days && records);
    fixture.archive.reset();
    {
        auto old = SqliteConnection::Open(fixture.path, SqliteConnection::Access::ReadWrite);
        ASSERT_TRUE(old);
        ASSERT_TRUE(
            old.value->Execute("DROP TABLE hour_summaries; DROP TABLE channel_records; "
                               "PRAGMA user_version = 0"));
    }
    const auto same = [&](ArchiveDatabase& archive) {
        const auto daysAgain = SummarizeDays(archive, query);
        const auto recordsAgain = ReadRecords(archive, "s");
        ASSERT_TRUE(daysAgain && recordsAgain);
        ASSERT_EQ(daysAgain->size(), days->size());
        for (size_t i = 0; i < days->size(); ++i) {
            EXPECT_EQ((*daysAgain)[i].quantities, (*days)[i].quantities);
        }
        ASSERT_EQ(recordsAgain->size(), records->size());
        for (size_t i = 0; i < records->size(); ++i) {
            EXPECT_EQ((*recordsAgain)[i].quantities, (*records)[i].quantities);
        }
    };
    auto reader = fixture.Open(true);
    EXPECT_FALSE(reader->HasSummaries());
    same(*reader);
    auto writer = fixture.Open();
    EXPECT_TRUE(writer->HasSummaries());
    same(*writer);
}

}  // namespace
}  // namespace corvalin
