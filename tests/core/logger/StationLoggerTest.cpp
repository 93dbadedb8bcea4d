// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "archive/ArchiveTime.h"
#include "device/DeviceLock.h"
#include "logger/StationLogger.h"
#include "sim/SimLogs.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

// Time that moves only when the test moves it.
class TestClock : public LoggerClock {
public:
    TimePoint Now() override { return now; }
    void WaitUntil(TimePoint until, ManualResetEvent&) override { now = std::max(now, until); }
    TimePoint now = std::chrono::system_clock::from_time_t(1700000000);
};

SimOptions Sensors() {
    SimOptions options;
    options.sensors = {{1, true, 21.5, 40}, {2, false, 0, 0}, {3, true, -3.2, 80}};
    return options;
}

class StationLoggerTest : public ::testing::Test {
protected:
    explicit StationLoggerTest(SimOptions options = Sensors()) : rig(options) {
        settings.dataDir = data.path();
        settings.interval = 300s;
        settings.station = "attic";
        logger.Configure(settings);
        rig.session().WatchDeviceChanges([this](DeviceEvent) { logger.DeviceChanged(); });
    }

    // Turns as the interval passes, `count` times.
    void Pass(int count) {
        for (int i = 0; i < count; ++i) {
            logger.Turn();
            clock.now += settings.interval;
        }
    }

    std::vector<StoredRow> Archived(std::optional<RowSource> source = RowSource::Live) {
        auto archive = ArchiveDatabase::Open(data.File(ARCHIVE_FILE));
        EXPECT_TRUE(archive) << archive.error;
        std::vector<StoredRow> rows;
        (*archive.value)->Read({}, [&](const StoredRow& row) {
            if (!source || row.row.source == *source) rows.push_back(row);
            return true;
        });
        return rows;
    }

    int64_t Seconds(LoggerClock::TimePoint time) {
        return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
    }

    test::SimRig rig;
    test::TempDir data;
    TestClock clock;
    std::vector<std::string> said;
    StationLogger logger{rig.session(), clock,
                         [this](LogLevel, const std::string& text) { said.push_back(text); }};
    LoggerSettings settings;
};

TEST_F(StationLoggerTest, LogsEachChannelWithASensorAtEveryIntervalAsTheStationReadsIt) {
    const int64_t start = Seconds(clock.now);
    Pass(288);  // a day
    const std::vector<StoredRow> rows = Archived();
    ASSERT_EQ(rows.size(), 2u * 288);
    for (size_t i = 0; i < rows.size(); ++i) {
        const ArchiveRow& row = rows[i].row;
        const bool first = i < 288;
        EXPECT_EQ(rows[i].station, "attic");
        EXPECT_EQ(row.channel, first ? 1 : 3);
        EXPECT_EQ(row.time, start + static_cast<int64_t>(i % 288) * 300);
        EXPECT_EQ(*row.temperature, first ? 21.5 : -3.2);
        EXPECT_EQ(*row.humidity, first ? 40 : 80);
        ASSERT_TRUE(row.dewPoint && row.heatIndex);
    }
    // The card's logs were taken once, at the start.
    EXPECT_FALSE(Archived(RowSource::Card).empty());
    EXPECT_EQ(logger.Stats().rowsArchived, rows.size() + Archived(RowSource::Card).size());
}

}  // namespace
}  // namespace corvalin
