// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/ValueSeries.h"
#include "support/ArchiveRows.h"

namespace corvalin {
namespace {

using test::Reading;

// Six buckets from 1000 to 1550 (92 s each, the last one short): each holds
// exactly the rows of its span.
TEST(ValueSeries, BucketsHoldExactlyTheRowsOfTheirSpan) {
    test::ArchiveFixture fixture;
    const std::vector<ArchiveRow> rows{Reading(1, 999, 90.0),          Reading(1, 1000, 1.0),
                                       Reading(1, 1099, 3.0),          Reading(1, 1100, 4.0),
                                       Reading(1, 1150, std::nullopt), Reading(1, 1549, 7.0),
                                       Reading(1, 1550, 90.0),         Reading(2, 1000, 80.0)};
    ASSERT_TRUE(fixture.archive->Add("s", rows));
    const auto series = ReadSeries(
        *fixture.archive,
        {.station = "s", .channel = 1, .from = 1000, .to = 1550, .points = 6, .longestStep = 1000});
    ASSERT_TRUE(series) << series.error;
    EXPECT_EQ(series->bucketSeconds, 92);  // 550 s in six points, rounded up
    EXPECT_EQ(series->points,
              (std::vector<SeriesPoint>{
                  {1000, 1.0, 1.0, 1.0}, {1092, 3.0, 4.0, 3.5}, {1460, 7.0, 7.0, 7.0}}));
}

// Empty buckets between rows more than a step apart are a gap: one bucket
// without values marks it; empty buckets inside the step are none.
TEST(ValueSeries, MarksGapsLongerThanAStepAndDerivesInTheDatabase) {
    test::ArchiveFixture fixture;
    std::vector<ArchiveRow> rows;
    for (int64_t t : {0, 300, 600, 2400, 2700}) rows.push_back(Reading(3, t, 20.0, 50.0));
    ASSERT_TRUE(fixture.archive->Add("s", rows));
    SeriesQuery query{.station = "s",
                      .channel = 3,
                      .quantity = Quantity::AbsoluteHumidity,
                      .from = 0,
                      .to = 3000,
                      .points = 30,
                      .longestStep = 600};
    auto series = ReadSeries(*fixture.archive, query);
    ASSERT_TRUE(series);
    std::vector<int64_t> times;
    for (const SeriesPoint& point : series->points) {
        times.push_back(point.time);
        if (point.time == 700) {
            EXPECT_FALSE(point.mean || point.lowest || point.highest);
        } else {
            EXPECT_EQ(point.mean, 8.62);  // as QuantityValue derives it
        }
    }
    EXPECT_EQ(times, (std::vector<int64_t>{0, 300, 600, 700, 2400, 2700}));

    query.longestStep = 1800;
    series = ReadSeries(*fixture.archive, query);
    ASSERT_TRUE(series);
    EXPECT_EQ(series->points.size(), 5u);

    // Two buckets side by side hold the gap between them: nothing to mark.
    query.longestStep = 600;
    query.points = 2;
    series = ReadSeries(*fixture.archive, query);
    ASSERT_TRUE(series);
    EXPECT_EQ(series->points.size(), 2u);

    query.to = query.from;
    EXPECT_FALSE(ReadSeries(*fixture.archive, query));
}

}  // namespace
}  // namespace corvalin
