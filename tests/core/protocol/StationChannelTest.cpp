// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/ZonedTime.h"
#include "protocol/AnswerRouting.h"
#include "protocol/CardFrames.h"
#include "protocol/ClockSync.h"
#include "protocol/ReadCycle.h"
#include "support/ChannelRig.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using test::ChannelRig;
using test::WithFault;

class RecordingSink : public FileTransferSink {
public:
    void OnFileListEntry(const Report& data) override { entries.push_back(data); }
    void OnFileContent(std::string_view content) override { received += content; }
    bool IsLastChunk() const override { return lastChunk; }
    void OnChunkEnd(bool last) override { chunkEnds.push_back(last); }

    std::vector<Report> entries;
    std::string received;
    bool lastChunk = false;
    std::vector<bool> chunkEnds;
};

Report Text(const std::string& text) {
    Report data{};
    std::copy(text.begin(), text.end(), data.begin());
    return data;
}

TEST(RouteAnswer, EachReadAnswerLandsInItsBuffer) {
    DeviceRecord record;
    for (PendingType type :
         {PT_SETTINGS, PT_CALIBRATION, PT_ALARM_1, PT_ALARM_2, PT_ALARM_3, PT_ALARM_4, PT_LIVE}) {
        EXPECT_EQ(RouteAnswer(type, Text({'{', static_cast<char>(type)}), record, nullptr),
                  Routed::Complete);
    }
    EXPECT_EQ(record.SettingsReport()[1], PT_SETTINGS);
    EXPECT_EQ(record.CalibrationReport()[1], PT_CALIBRATION);
    const auto alarms = record.AlarmReports();
    for (int block = 0; block < 4; ++block) EXPECT_EQ(alarms[block][1], PT_ALARM_1 + block);
    EXPECT_EQ(record.LiveReport()[1], PT_LIVE);
    EXPECT_EQ(record.Readings().temperatureC[0], NO_DATA);  // decoding is the sender's

    EXPECT_EQ(RouteAnswer(PT_INTERVAL, Text("{\xF0"), record, nullptr), Routed::Complete);
    EXPECT_EQ(record.intervalMinutes, 240);  // unsigned
    EXPECT_EQ(RouteAnswer(PT_SCREEN_STATE, Text("{\x01"), record, nullptr), Routed::Complete);
    EXPECT_EQ(record.notOnMainScreen, 1);
    // Bytes that cannot answer what is pending are not stored.
    EXPECT_EQ(RouteAnswer(PT_INTERVAL, Text("{\xF1"), record, nullptr), Routed::Mismatched);
    EXPECT_EQ(RouteAnswer(PT_INTERVAL, Text("{\x04"), record, nullptr), Routed::Mismatched);
    EXPECT_EQ(RouteAnswer(PT_SCREEN_STATE, Text("{\x02"), record, nullptr), Routed::Mismatched);
    EXPECT_EQ(record.notOnMainScreen, 1);

    for (int pending : {0, 19, 2, 13, 99}) {  // none, no reply, unknown: nothing stored
        EXPECT_EQ(RouteAnswer(pending, Text("{\x05"), record, nullptr), Routed::Dropped);
    }
    EXPECT_EQ(record.intervalMinutes, 240);
}

TEST(RouteAnswer, FileListAndFileData) {
    DeviceRecord record;
    RecordingSink sink;
    for (const char* line : {"{CH1.CSV,\x00\x00\x10\x00", "{CH2.CSV,", "{IN.CSV,"}) {
        EXPECT_EQ(RouteAnswer(PT_FILE_LIST, Text(line), record, &sink), Routed::Stored);
    }
    EXPECT_EQ(RouteAnswer(PT_FILE_LIST, Text("{\xEE"), record, &sink), Routed::Mismatched);
    EXPECT_EQ(RouteAnswer(PT_FILE_LIST, Text("{@}"), record, &sink), Routed::Complete);
    EXPECT_EQ(sink.entries.size(), 3u);

    // Only what precedes the first "}" reaches the file; without one, nothing.
    for (const char* report : {"{abc", "{xy}z}"}) {
        EXPECT_EQ(RouteAnswer(PT_FILE_DATA, Text(report), record, &sink), Routed::Stored);
    }
    EXPECT_EQ(sink.received, "xy");
    EXPECT_EQ(RouteAnswer(PT_FILE_DATA, Text("{@}"), record, &sink), Routed::ChunkEnd);
    sink.lastChunk = true;
    // Content beginning with "@" ends the chunk.
    EXPECT_EQ(RouteAnswer(PT_FILE_DATA, Text("{@more}"), record, &sink), Routed::Complete);
    EXPECT_EQ(sink.chunkEnds, (std::vector<bool>{false, true}));
    // Without a sink the exchanges still end.
    EXPECT_EQ(RouteAnswer(PT_FILE_LIST, Text("{@}"), record, nullptr), Routed::Complete);
}

TEST(StationChannel, AMissingAnswerEndsAtItsBoundAndALateOneIsDropped) {
    ChannelRig rig(WithFault("drop=1"));
    ASSERT_TRUE(rig.Open());
    rig.record.intervalMinutes = 17;
    EXPECT_FALSE(rig.channel.Read(CMD_READ_INTERVAL, PT_INTERVAL, 300ms));
    EXPECT_EQ(rig.record.intervalMinutes, 17);
    EXPECT_FALSE(rig.channel.SequenceClean());
    rig.channel.BeginSequence();
    EXPECT_TRUE(rig.channel.Read(CMD_READ_INTERVAL, PT_INTERVAL, SHORT_WAIT));
    EXPECT_EQ(rig.record.intervalMinutes, 5);
    EXPECT_TRUE(rig.channel.SequenceClean());

    // The late interval answer comes while the alarm block is asked for: it
    // must not be taken for that block.
    ChannelRig late(WithFault("delay=300"));
    ASSERT_TRUE(late.Open());
    EXPECT_FALSE(late.channel.Read(CMD_READ_INTERVAL, PT_INTERVAL, 50ms));
    EXPECT_EQ(late.channel.Pending(), PT_NONE);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(late.record.intervalMinutes, 0);
    EXPECT_FALSE(late.channel.AllReportsPaired());
}

// Every block is asked for in order; at a missing answer at any place of the
// cycle what came before it is fresh, nothing after it (a later answer may be
// its late one).
TEST(ReadCycle, NothingAfterAMissingAnswerIsFresh) {
    struct Row {
        std::string fault;
        int freshBlocks;  // settings, interval, alarms 1, 3, 4, calibration, live
        bool paired;
    };
    std::vector<Row> rows = {{"drop=0", 7, true}, {"stray", 0, false}, {"stray@3", 0, false}};
    for (int at : {1, 3, 6}) rows.push_back({"drop=1@" + std::to_string(at), at, true});
    for (const Row& row : rows) {
        SimOptions options = WithFault(row.fault.c_str());
        options.sensors = {{2, true, 23.4, 45}, {8, false, 0, 0}};
        ChannelRig rig(options);
        ASSERT_TRUE(rig.Open());
        const ReadCycleAnswers answers = RunReadCycle(rig.channel, rig.record);
        EXPECT_EQ(rig.WrittenCodes(),
                  (std::vector<uint8_t>{CMD_READ_SETTINGS, CMD_READ_INTERVAL, CMD_READ_ALARM_1,
                                        CMD_READ_ALARM_3, CMD_READ_ALARM_4, CMD_READ_CALIBRATION,
                                        CMD_READ_LIVE}))
            << row.fault;
        if (row.freshBlocks == 7) {
            EXPECT_FLOAT_EQ(rig.record.Readings().temperatureC[1], 23.4f);
            EXPECT_EQ(rig.record.Readings().temperatureC[7], NO_DATA);  // its sensor is off
        }
        const std::vector<bool> fresh = {answers.settings,  answers.interval,  answers.alarms[0],
                                         answers.alarms[1], answers.alarms[2], answers.calibration,
                                         answers.live};
        for (int block = 0; block < 7; ++block) {
            EXPECT_EQ(fresh[block], block < row.freshBlocks) << row.fault << " block " << block;
        }
        EXPECT_EQ(answers.paired, row.paired) << row.fault;
        EXPECT_EQ(rig.channel.SequenceClean(), row.fault == "drop=0") << row.fault;
        // Without a fresh live answer every channel has no data, never zeros.
        for (int k = 0; k < CHANNEL_COUNT && !answers.live; ++k) {
            EXPECT_EQ(rig.record.Readings().temperatureC[k], NO_DATA) << row.fault;
        }
        // A single stray belongs to its own cycle: the next one is paired again.
        if (row.fault == "stray@3") EXPECT_TRUE(RunReadCycle(rig.channel, rig.record).paired);
    }
}

TEST(ReadCycle, AOneShotReadStopsAtTheFirstMissingAnswer) {
    // A silent station: only the settings are asked for, and not for long.
    ChannelRig silent(WithFault("drop=100000"));
    ASSERT_TRUE(silent.Open());
    const ReadCycleAnswers nothing =
        RunReadCycle(silent.channel, silent.record, ReadCycleMode::UntilFirstMissing);
    EXPECT_EQ(silent.WrittenCodes(), std::vector<uint8_t>{CMD_READ_SETTINGS});
    EXPECT_FALSE(nothing.settings || nothing.interval || nothing.alarms[0] || nothing.live);

    // The alarm blocks after a missing one are not asked for either.
    ChannelRig alarms(WithFault("drop=100000"));
    ASSERT_TRUE(alarms.Open());
    EXPECT_EQ(alarms.channel.ReadAlarmBlocks(true), (std::array<bool, 3>{}));
    EXPECT_EQ(alarms.WrittenCodes(), std::vector<uint8_t>{CMD_READ_ALARM_1});
}

TEST(StationChannel, GuardedWriteAsksForTheScreenFirst) {
    using G = GuardedWriteResult;
    struct Row {
        bool onMainScreen;
        bool plugged;
        const char* fault;
        G result;
        std::vector<uint8_t> written;
    };
    const Row rows[] = {
        {true, true, "drop=0", G::Written, {CMD_SCREEN_STATE, CMD_COMMIT}},
        {false, true, "drop=0", G::NotOnMainScreen, {CMD_SCREEN_STATE}},
        {true, false, "drop=0", G::NotConnected, {}},
        // The screen state is awaited: late or missing means nothing is written.
        {false, true, "delay=120", G::NotOnMainScreen, {CMD_SCREEN_STATE}},
        {true, true, "drop=1", G::NoAnswer, {CMD_SCREEN_STATE}},
        {true, true, "stray", G::NoAnswer, {CMD_SCREEN_STATE}},
    };
    for (const Row& row : rows) {
        SimOptions options = WithFault(row.fault);
        options.notOnMainScreen = !row.onMainScreen;
        ChannelRig rig(options);
        if (!row.plugged) rig.station().Unplug();
        EXPECT_EQ(rig.Open(), row.plugged);
        EXPECT_EQ(rig.channel.GuardedWrite({MakeCommandFrame(CMD_COMMIT)}), row.result)
            << row.fault;
        EXPECT_EQ(rig.WrittenCodes(), row.written) << row.fault;
    }
}

TEST(StationChannel, ClockIsSetOnlyWhileTheStationStays) {
    ChannelRig rig;
    EXPECT_EQ(SyncStationClock(rig.channel, LocalTimeNow), ClockSyncResult::Unconnected);
    ASSERT_TRUE(rig.Open());
    const CivilTime at = *ParseCivilText("2024-03-05 14:07:09");
    EXPECT_EQ(SyncStationClock(rig.channel, [&] { return at; }), ClockSyncResult::Synchronised);
    EXPECT_EQ(rig.Written().back(), MakeTimeFrame(at));
    EXPECT_LT(rig.station().ClockOffsetSeconds(), -86400);  // years behind the computer

    // Pulled out while waiting for the poll cycle, with or without a re-open.
    for (bool reopen : {false, true}) {
        ChannelRig lost;
        ASSERT_TRUE(lost.Open());
        auto unplug = [&] {
            lost.station().Unplug();
            if (reopen) lost.link.OpenDevice();
        };
        const auto outcome = SyncStationClock(lost.channel, LocalTimeNow, unplug);
        EXPECT_EQ(outcome, ClockSyncResult::Lost);
        EXPECT_STREQ(ClockSyncMessage(outcome), "Unconnected");
    }

    // A time the station cannot hold is refused before anything goes out.
    ChannelRig range;
    ASSERT_TRUE(range.Open());
    const CivilTime past = *ParseCivilText("1999-12-31 23:59:59");
    EXPECT_EQ(SyncStationClock(range.channel, [&] { return past; }), ClockSyncResult::OutOfRange);
    EXPECT_TRUE(range.Written().empty());

    SimOptions offScreen;
    offScreen.notOnMainScreen = true;
    ChannelRig refused(offScreen);
    ASSERT_TRUE(refused.Open());
    EXPECT_EQ(SyncStationClock(refused.channel, LocalTimeNow), ClockSyncResult::NotOnMainScreen);
    EXPECT_EQ(refused.station().ClockOffsetSeconds(), 0);
}

TEST(StationChannel, DataAfterTheLastChunkIsDropped) {
    ChannelRig rig;
    ASSERT_TRUE(rig.Open());
    RecordingSink sink;
    rig.channel.SetFileSink(&sink);
    // A chunk that is not the file's last keeps the pending type for the next.
    EXPECT_TRUE(rig.channel.RequestChunk(MakeFileGetFrame("INDOOR.CSV", 0, 10)));
    EXPECT_EQ(sink.received.size(), 10u);
    EXPECT_EQ(rig.channel.Pending(), PT_FILE_DATA);
    rig.channel.EndChunks();
    EXPECT_EQ(rig.channel.Pending(), PT_NONE);
    rig.channel.OnReport(Text("{late}"), 64);
    EXPECT_EQ(sink.received.size(), 10u);
    rig.channel.SetFileSink(nullptr);
}

}  // namespace
}  // namespace corvalin
