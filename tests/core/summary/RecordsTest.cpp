// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/Records.h"
#include "support/ArchiveRows.h"

namespace corvalin {
namespace {

using test::Reading;

const Extremes& Of(const ChannelRecords& records, Quantity quantity) {
    return records.quantities[static_cast<size_t>(quantity)];
}

TEST(Records, KeepEachChannelsFirstHighestAndLowestAsRowsArrive) {
    test::ArchiveFixture fixture;
    ArchiveDatabase& archive = *fixture.archive;
    ASSERT_TRUE(archive.Add("s", {Reading(1, 10000, 25.0), Reading(1, 20000, -3.0, 80),
                                  Reading(1, 30000, 25.0), Reading(4, 10000, 5.0, std::nullopt)}));
    auto records = ReadRecords(archive, "s");
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    const ChannelRecords& one = (*records)[0];
    EXPECT_EQ(one.channel, 1);
    EXPECT_EQ(Of(one, Quantity::Temperature), (Extremes{true, -3.0, 20000, 25.0, 10000}));
    EXPECT_EQ(Of(one, Quantity::Humidity), (Extremes{true, 50, 10000, 80, 20000}));
    // Derived values: frost only below freezing.
    EXPECT_EQ(Of(one, Quantity::FrostPoint), (Extremes{true, -5.3, 20000, -5.3, 20000}));
    EXPECT_EQ(Of(one, Quantity::AbsoluteHumidity).highestTime, 10000);
    EXPECT_FALSE(Of(one, Quantity::DewPoint).any);
    EXPECT_EQ((*records)[1].channel, 4);
    EXPECT_FALSE(Of((*records)[1], Quantity::Humidity).any);

    // A row the card fills in an earlier hour, and one already archived that
    // comes again with another value: only the new row counts.
    ASSERT_TRUE(archive.Add("s", {Reading(1, 5000, 26.5), Reading(1, 20000, -9.0)}));
    records = ReadRecords(archive, "s", {1});
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 1u);
    EXPECT_EQ(Of((*records)[0], Quantity::Temperature), (Extremes{true, -3.0, 20000, 26.5, 5000}));
    EXPECT_TRUE(ReadRecords(archive, "other")->empty());
}

}  // namespace
}  // namespace corvalin
