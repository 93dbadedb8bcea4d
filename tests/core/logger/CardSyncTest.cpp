// SPDX-License-Identifier: GPL-3.0-or-later
// The night the clock falls back, through the whole card sync: the station's
// log as it lies on the card, fetched, read and archived, in both ways of
// reading its times.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "common/ZonedTime.h"
#include "logger/CardSync.h"
#include "logger/LoggingIntervals.h"
#include "support/ArchiveRows.h"
#include "support/ScopedEnvironment.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

constexpr const char* HEADER = "Time,Temperature(C),Humidity(%),DewPoint(C),HeatIndex(C)\r\n";
// 2024-10-27 00:00 CEST: Berlin's clock falls back at 03:00 CEST to 02:00 CET.
constexpr int64_t NIGHT_START = 1729980000;
constexpr int STEPS = 24;  // every 15 minutes, six hours by the wall clock

std::string Line(const CivilTime& wall) { return CivilText(wall) + ",20.0,50,9.3,20.0\r\n"; }

// The night's lines as a station whose clock follows Berlin's logs them,
// with the line of 02:15 CEST written twice.
std::vector<std::string> NightLines() {
    ZoneScope berlin("Europe/Berlin");
    std::vector<std::string> lines;
    for (int step = 0; step < STEPS; ++step) {
        const std::string line = Line(LocalCivilTime(NIGHT_START + step * 900));
        lines.push_back(line);
        if (step == 9) lines.push_back(line);
    }
    return lines;
}

class CardSyncTest : public ::testing::Test {
protected:
    CardSyncTest() {
        for (const auto& entry : std::filesystem::directory_iterator(rig.station().CardDir())) {
            std::filesystem::remove_all(entry.path());
        }
        archive = std::move(*ArchiveDatabase::Open(data.File("archive.db")).value);
        EXPECT_TRUE(rig.session().Open());
    }

    void WriteLog(const std::vector<std::string>& lines, size_t from, size_t to) {
        std::ofstream log(rig.station().CardDir() + "/CH1.CSV",
                          std::ios::binary | (from == 0 ? std::ios::trunc : std::ios::app));
        if (from == 0) log << HEADER;
        for (size_t i = from; i < to; ++i) log << lines[i];
    }

    // The station's own zone and daylight-saving settings, written as the window does.
    void SetStationZone(int hours, bool dst) {
        rig.session().ReadStation();
        SettingsForm settings;
        ASSERT_TRUE(rig.session().Load(settings));
        settings.timeZone = hours + 12;
        settings.dst = dst ? 1 : 0;
        ASSERT_EQ(rig.session().Save(settings).result, SaveResult::Written);
        rig.session().ReadStation();  // as the logger's read before each sync
    }

    int Sync(CardTimeMode mode) {  // the logs synced
        CardSyncOptions options;
        options.station = "attic";
        options.dataDir = data.path();
        options.timeMode = mode;
        const CardSyncResult synced = SyncArchiveFromCard(rig.session(), *archive, options);
        EXPECT_TRUE(synced.status) << synced.status.message;
        return synced.files;
    }

    std::vector<int64_t> ArchivedTimes() {
        std::vector<int64_t> times;
        for (const ArchivedRow& row : test::ReadRows(*archive)) times.push_back(row.row.time);
        return times;
    }

    test::SimRig rig;
    test::TempDir data;
    std::unique_ptr<ArchiveDatabase> archive;
};

TEST_F(CardSyncTest, InTheComputersZoneTheRepeatedHourIsPlacedByLineOrderAcrossSyncs) {
    ZoneScope berlin("Europe/Berlin");
    const std::vector<std::string> lines = NightLines();
    EXPECT_EQ(LongestLoggingInterval(*archive), 60);  // none said yet: the logger's default
    // The first sync ends inside the hour that repeats; the next takes the rest.
    WriteLog(lines, 0, 13);
    EXPECT_EQ(Sync(CardTimeMode::Computer), 1);
    WriteLog(lines, 13, lines.size());
    EXPECT_EQ(Sync(CardTimeMode::Computer), 1);
    std::vector<int64_t> expected;
    for (int step = 0; step < STEPS; ++step) expected.push_back(NIGHT_START + step * 900);
    EXPECT_EQ(ArchivedTimes(), expected);
    // Rows are as far apart as the longer of the station's interval and the logger's.
    EXPECT_EQ(LongestLoggingInterval(*archive), 300);
    archive->SetSetting(LOGGER_INTERVAL_SETTING, "900");
    EXPECT_EQ(LongestLoggingInterval(*archive), 900);
}

// By the station's own settings the offset is fixed: its clock repeats no
// hour, so a line written twice is one reading.
TEST_F(CardSyncTest, AtTheStationsZoneWithAndWithoutDaylightSaving) {
    const std::vector<std::string> lines = NightLines();
    WriteLog(lines, 0, lines.size());
    for (const bool dst : {false, true}) {
        SCOPED_TRACE(dst ? "daylight saving" : "standard time");
        archive = std::move(*ArchiveDatabase::Open(data.File(dst ? "dst.db" : "std.db")).value);
        SetStationZone(1, dst);
        Sync(CardTimeMode::Station);
        std::set<int64_t> expected;
        for (const std::string& line : lines) {
            expected.insert(WallSeconds(*ParseCivilText(line.substr(0, CIVIL_TEXT_LENGTH))) -
                            (dst ? 7200 : 3600));
        }
        EXPECT_EQ(ArchivedTimes(), std::vector<int64_t>(expected.begin(), expected.end()));
    }
}

}  // namespace
}  // namespace corvalin
