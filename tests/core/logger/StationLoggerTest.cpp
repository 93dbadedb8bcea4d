// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "common/ZonedTime.h"
#include "device/DeviceLock.h"
#include "logger/StationLogger.h"
#include "sim/SimLogs.h"
#include "store/Sqlite.h"
#include "support/ArchiveRows.h"
#include "support/LoggerRig.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

using test::TestClock;
const auto Sensors = test::TwoSensors;

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

    std::vector<ArchivedRow> Archived(RowSource source = RowSource::Live,
                                      std::vector<int> channels = {}) {
        auto archive = ArchiveDatabase::Open(data.File(ARCHIVE_DATABASE_FILE));
        EXPECT_TRUE(archive) << archive.error;
        return test::ReadRows(**archive.value, {.channels = channels, .source = source});
    }

    // The times of CH1's rows, in seconds after the start.
    std::vector<int64_t> Ch1Times(RowSource source = RowSource::Live) {
        std::vector<int64_t> times;
        for (const ArchivedRow& row : Archived(source, {1})) times.push_back(row.row.time - start);
        return times;
    }

    test::SimRig rig;
    test::TempDir data;
    TestClock clock;
    const int64_t start = std::chrono::system_clock::to_time_t(clock.now);
    std::vector<std::string> said;
    StationLogger logger{rig.session(), clock,
                         [this](LogLevel, const std::string& text) { said.push_back(text); }};
    LoggerSettings settings;
};

TEST_F(StationLoggerTest, LogsEachChannelWithASensorAtEveryIntervalAsTheStationReadsIt) {
    settings.interval = 3600s;
    logger.Configure(settings);
    std::optional<ReadingSnapshot> last;
    logger.SetReadingListener([&](const ReadingSnapshot& reading) { last = reading; });
    Pass(24);  // a day
    const std::vector<ArchivedRow> rows = Archived();
    ASSERT_EQ(rows.size(), 2u * 24);
    for (size_t i = 0; i < rows.size(); ++i) {
        const ArchiveRow& row = rows[i].row;
        const bool first = i < 24;
        EXPECT_EQ(rows[i].station, "attic");
        EXPECT_EQ(row.channel, first ? 1 : 3);
        EXPECT_EQ(row.time, start + static_cast<int64_t>(i % 24) * 3600);
        EXPECT_EQ(*row.temperature, first ? 21.5 : -3.2);
        EXPECT_EQ(*row.humidity, first ? 40 : 80);
        ASSERT_TRUE(row.dewPoint && row.heatIndex);
    }
    // The card's logs were taken once, at the start.
    EXPECT_FALSE(Archived(RowSource::Card).empty());
    EXPECT_EQ(logger.Stats().rowsArchived, rows.size());
    EXPECT_EQ(logger.Stats().lastReading, clock.now - settings.interval);
    // Left for the tools, which take a gap by it.
    const auto archive = ArchiveDatabase::Open(data.File(ARCHIVE_DATABASE_FILE));
    EXPECT_EQ((*archive.value)->Setting(LOGGER_INTERVAL_SETTING), "3600");
    ASSERT_TRUE(last);  // as the publishers have it
    EXPECT_EQ(last->sensorPresent, (std::array<bool, CHANNEL_COUNT>{true, false, true}));
    // Between two reads the logger wakes only for its heartbeat.
    logger.Turn();
    EXPECT_EQ(logger.NextTurn(), clock.now + settings.longestWait);
}

// A turn that wakes intervals late reads once, at once, and the reads go on
// at the interval's steps from the start.
TEST_F(StationLoggerTest, ALateTurnReadsOnceAndKeepsToTheIntervalsSteps) {
    const auto first = clock.now;
    logger.Turn();
    clock.now = first + 3 * settings.interval + 100s;
    logger.Turn();
    clock.now = first + 4 * settings.interval - 1s;
    logger.Turn();
    EXPECT_EQ(logger.Stats().reads, 2u);
    clock.now = first + 4 * settings.interval;
    logger.Turn();
    EXPECT_EQ(logger.Stats().reads, 3u);
    // A new interval starts its steps at once; none is shorter than the shortest.
    settings.interval = 1s;
    logger.Configure(settings);
    clock.now += 100s;
    Pass(2);
    EXPECT_EQ(Ch1Times(), (std::vector<int64_t>{0, 1000, 1200, 1300}));
}

TEST_F(StationLoggerTest, LeavesAGapWhileTheStationIsAwayAndFillsItFromTheCard) {
    Pass(2);
    rig.station().Unplug();
    Pass(2);
    EXPECT_EQ(said.back(), "The station was lost; looking for it");  // not "no station" as well
    logger.Turn();
    // Meanwhile the station went on logging on its card.
    std::string lines;
    for (int step = 2; step <= 4; ++step) {
        lines += FormatLogTime(start + step * 300) + ",21.5,40,7.6,21.5\r\n";
    }
    std::ofstream(rig.station().CardDir() + "/CH1.CSV", std::ios::binary | std::ios::app) << lines;
    rig.station().Plug();
    logger.Turn();  // a plug-in is looked at at once
    EXPECT_TRUE(logger.Stats().connected);
    clock.now += settings.interval;
    Pass(1);

    EXPECT_EQ(Ch1Times(), (std::vector<int64_t>{0, 300, 1500}));
    std::vector<int64_t> card;  // the card's own days of the computer's clock aside
    for (int64_t after : Ch1Times(RowSource::Card)) {
        if (after >= 0 && after < 86400) card.push_back(after);
    }
    EXPECT_EQ(card, (std::vector<int64_t>{600, 900, 1200}));
}

// A long log on the card comes in slices between the live reads: none of
// them is missed while it comes, and the logger keeps waking at once.
TEST_F(StationLoggerTest, ALongCardComesInSlicesBetweenLiveReads) {
    const int lines = 52000;  // some 1.8 MB: more than one batch of rows
    {
        std::ofstream log(rig.station().CardDir() + "/CH2.CSV", std::ios::binary);
        log << "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
        for (int i = 0; i < lines; ++i) {
            log << FormatLogTime(start - (lines - i) * 60) << ",20.0,50,9.3,20.0\r\n";
        }
    }
    const auto cardRows = [&] { return Archived(RowSource::Card, {2}).size(); };
    int turns = 0;
    while (cardRows() < static_cast<size_t>(lines) && turns < 100) {
        logger.Turn();
        if (cardRows() < static_cast<size_t>(lines)) EXPECT_EQ(logger.NextTurn(), clock.now);
        clock.now += 100s;
        ++turns;
    }
    EXPECT_EQ(cardRows(), static_cast<size_t>(lines));
    EXPECT_GT(turns, 6);
    // A read at every step of the interval while the card came in.
    const std::vector<int64_t> live = Ch1Times();
    ASSERT_EQ(live.size(), static_cast<size_t>((turns + 2) / 3));
    for (size_t i = 0; i < live.size(); ++i) EXPECT_EQ(live[i], static_cast<int64_t>(i) * 300);
}

TEST_F(StationLoggerTest, WaitsForAnotherProgramsSequenceToEnd) {
    DeviceLock other;
    std::optional<DeviceLock::Hold> held = other.Acquire(rig.station().CardDir());
    std::thread turn([this] { logger.Turn(); });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(logger.Stats().reads, 0u);
    held.reset();
    turn.join();
    EXPECT_EQ(logger.Stats().reads, 1u);
}

TEST_F(StationLoggerTest, KeepsTheReadingsWhileTheArchiveCannotBeWrittenAndWritesThemLater) {
    std::filesystem::create_directories(data.File(ARCHIVE_DATABASE_FILE) + "/in-the-way");
    Pass(3);
    EXPECT_EQ(logger.Stats().rowsWaiting, 6u);
    std::filesystem::remove_all(data.File(ARCHIVE_DATABASE_FILE));
    Pass(1);
    EXPECT_EQ(logger.Stats().rowsWaiting, 0u);
    EXPECT_EQ(Archived().size(), 8u);

    // What still waits at the stop is written, or said to be lost.
    auto other = SqliteConnection::Open(data.File(ARCHIVE_DATABASE_FILE),
                                        SqliteConnection::Access::ReadWrite);
    ASSERT_TRUE(other && other.value->Execute("ALTER TABLE readings RENAME TO aside"));
    Pass(1);  // the archive is open, but takes no rows
    ASSERT_TRUE(other.value->Execute("ALTER TABLE aside RENAME TO readings"));
    logger.Stop();
    logger.Run();
    EXPECT_EQ(Archived().size(), 10u);
    std::filesystem::remove_all(data.File(ARCHIVE_DATABASE_FILE));
    std::filesystem::create_directories(data.File(ARCHIVE_DATABASE_FILE) + "/in-the-way");
    logger.Configure({.station = "cellar", .interval = 300s, .dataDir = data.path()});
    Pass(2);
    logger.Run();
    EXPECT_EQ(said.back(),
              "4 rows could not be written to the archive before the stop; they are lost");
}

TEST_F(StationLoggerTest, NoStationIsSaidOnceWithHowItIsLookedFor) {
    rig.station().Unplug();
    Pass(3);
    EXPECT_EQ(logger.Stats().reads, 0u);
    EXPECT_EQ(std::count_if(said.begin(), said.end(),
                            [](const std::string& line) {
                                return line.rfind("No station found", 0) == 0 &&
                                       line.find("every 2 s and at each plug-in") !=
                                           std::string::npos;
                            }),
              1);
    EXPECT_EQ(said.size(), 2u);  // with the archive's: no card sync without a station
}

TEST_F(StationLoggerTest, AReadWithoutAnAnswerGivesNoRows) {
    rig.station().InjectFault({FaultSpec::Kind::Drop, 1, {}});
    Pass(3);
    rig.station().InjectFault({FaultSpec::Kind::Drop, 1, {}});  // said again after an answer
    Pass(1);
    EXPECT_EQ(Ch1Times(), (std::vector<int64_t>{300, 600}));
    EXPECT_EQ(logger.Stats().readFailures, 2u);
    EXPECT_EQ(std::count(said.begin(), said.end(),
                         "The station did not answer the live read; no rows this time"),
              2);
}

// A card sync that failed is tried again later, not at every turn.
TEST_F(StationLoggerTest, AFailedCardSyncWaitsBeforeItsNextTry) {
    rig.station().InjectFault({FaultSpec::Kind::ShortChunk, 2, {}});
    logger.Turn();
    ASSERT_EQ(said.back().rfind("The card was not synced: ", 0), 0u) << said.back();
    EXPECT_EQ(logger.NextTurn(), clock.now + settings.longestWait);
}

// A sync that a stop ends is no synced card.
TEST_F(StationLoggerTest, AStopDuringTheCardsSyncSaysNoSync) {
    logger.Stop();
    logger.Turn();  // the sync it starts sees the stop
    EXPECT_EQ(said.back().rfind("Card synced", 0), std::string::npos) << said.back();
}

class TwoStationsTest : public StationLoggerTest {
protected:
    static SimOptions Two() {
        SimOptions options = Sensors();
        options.serial = "A";
        options.secondStations = {"B"};
        return options;
    }
    TwoStationsTest() : StationLoggerTest(Two()) {}
};

TEST_F(TwoStationsTest, SaysOnceThatItMustBeToldWhichStationAndLogsNone) {
    Pass(3);
    const std::string several =
        "Several stations are attached:\n  sim:kv7500 (serial A)\n  sim:kv7500-2 (serial B)\n"
        "Choose one with --serial or --device.";
    EXPECT_EQ(std::count(said.begin(), said.end(), several), 1);
    EXPECT_TRUE(Archived().empty());
}

}  // namespace
}  // namespace corvalin
