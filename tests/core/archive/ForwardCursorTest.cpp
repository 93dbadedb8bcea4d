// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "archive/ArchiveDatabase.h"
#include "archive/ForwardCursor.h"
#include "support/ArchiveRows.h"

namespace corvalin {
namespace {

ArchiveRow Row(int channel, int64_t time, RowSource source = RowSource::Live) {
    return {channel, time, 20.0 + channel, {}, {}, {}, source};
}

class ForwardCursorTest : public ::testing::Test {
protected:
    // Forwards everything there is, `batch` rows at a time, and says which
    // (station, channel, time) went, in the order they went.
    std::vector<std::string> Forward(ForwardCursor& cursor, size_t batch = 2) {
        std::vector<std::string> sent;
        for (;;) {
            const Result<ForwardPosition> from = cursor.Take();
            EXPECT_TRUE(from) << from.error;
            const auto rows = cursor.RowsAfter(*from, batch);
            EXPECT_TRUE(rows) << rows.error;
            if (rows->empty()) return sent;
            for (const ForwardedRow& row : *rows) sent.push_back(Name(row));
            EXPECT_TRUE(cursor.MoveTo(rows->back().position));
        }
    }

    static std::string Name(const ForwardedRow& row) {
        return row.stored.station + "/" + std::to_string(row.stored.row.channel) + "@" +
               std::to_string(row.stored.row.time);
    }

    test::ArchiveFixture fixture;
    ArchiveDatabase* archive = fixture.archive.get();
};

TEST_F(ForwardCursorTest, RowsGoInTimeOrderAndThePositionMovesOnlyWhenConfirmed) {
    archive->Add("cellar", {Row(2, 100), Row(1, 160)});
    archive->Add("attic", {Row(3, 100), Row(1, 100), Row(1, 130, RowSource::Card)});
    ForwardCursor cursor(*archive, "postgresql://db/weather");
    // Unconfirmed, the same rows come again.
    const auto first = cursor.RowsAfter(*cursor.Take(), 2);
    ASSERT_EQ(first->size(), 2u);
    EXPECT_EQ(cursor.RowsAfter(*cursor.Take(), 2)->front().position, first->front().position);
    EXPECT_EQ(*cursor.Waiting(), 5);
    EXPECT_EQ(Forward(cursor),
              (std::vector<std::string>{"cellar/2@100", "attic/1@100", "attic/3@100", "attic/1@130",
                                        "cellar/1@160"}));
    EXPECT_EQ(*cursor.Waiting(), 0);
    // New live rows move nothing back.
    archive->Add("cellar", {Row(1, 220)});
    EXPECT_EQ(Forward(cursor), (std::vector<std::string>{"cellar/1@220"}));
}

TEST_F(ForwardCursorTest, RowsAddedBehindThePositionGoTooForEveryCopy) {
    archive->Add("attic", {Row(1, 100), Row(1, 200), Row(1, 300)});
    ForwardCursor server(*archive, "postgresql://db/weather");
    ForwardCursor other(*archive, "postgresql://elsewhere/weather");
    Forward(server);
    Forward(other);
    // A card's log fills a gap: its rows are older than what went.
    archive->Add("attic", {Row(1, 150, RowSource::Card), Row(1, 250, RowSource::Card)});
    EXPECT_EQ(*server.Waiting(), 4);
    EXPECT_EQ(Forward(server), (std::vector<std::string>{"attic/1@150", "attic/1@200",
                                                         "attic/1@250", "attic/1@300"}));
    // The first copy's look does not take the news from the second.
    EXPECT_EQ(Forward(other).front(), "attic/1@150");
    // Rows stored again add nothing, and move nothing back.
    archive->Add("attic", {Row(1, 150, RowSource::Card)});
    EXPECT_TRUE(Forward(server).empty());
}

TEST_F(ForwardCursorTest, ARowAddedWhileItsBatchIsOnItsWayIsNotSkipped) {
    archive->Add("attic", {Row(1, 100), Row(1, 300)});
    ForwardCursor cursor(*archive, "postgresql://db/weather");
    const auto batch = cursor.RowsAfter(*cursor.Take(), 10);
    ASSERT_EQ(batch->size(), 2u);
    // Between reading the batch and the server's confirmation, one after the other.
    archive->Add("attic", {Row(1, 250, RowSource::Card)});
    archive->Add("attic", {Row(1, 200, RowSource::Card)});
    ASSERT_TRUE(cursor.MoveTo(batch->back().position));
    EXPECT_EQ(Forward(cursor),
              (std::vector<std::string>{"attic/1@200", "attic/1@250", "attic/1@300"}));
}

}  // namespace
}  // namespace corvalin
