#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/ResponseRouter.h"
#include "support/FakeTransport.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;

class RecordingSink : public FileTransferSink {
public:
    void OnFileListEntry(const Report& data) override { entries.push_back(data); }
    void OnFileContent(std::string_view content) override {
        received += content;
        progress += 64;
    }
    bool IsLastChunk() const override { return lastChunk; }
    void OnChunkEnd(bool last) override { chunkEnds.push_back(last); }

    std::vector<Report> entries;
    std::string received;
    int progress = 0;
    bool lastChunk = false;
    std::vector<bool> chunkEnds;
};

Report Text(const std::string& text) {
    Report data{};
    std::copy(text.begin(), text.end(), data.begin());
    return data;
}

class RouterTest : public ::testing::Test {
protected:
    RouterTest() : link(transport), router(link, record, copies) {
        link.responseEvent.Reset();
        router.SetFileSink(&sink);
    }
    ~RouterTest() override { router.SetFileSink(nullptr); }

    void Route(PendingType pending, const Report& data) {
        link.pendingType = pending;
        router.OnReport(data, 64);
    }
    bool Signalled() { return link.responseEvent.WaitFor(0ms); }

    test::FakeTransport transport;
    DeviceLink link;
    DeviceRecord record;
    DialogCopies copies;
    ResponseRouter router;
    RecordingSink sink;
};

TEST_F(RouterTest, SettingsAreStoredDecodedAndCopied) {
    Report settings{};
    settings[7] = 1;
    settings[11] = 0x07;  // CH1 in area 1
    Route(PT_SETTINGS, settings);
    EXPECT_EQ(record.SettingsReport(), settings);
    EXPECT_EQ(link.unitFahrenheit, 1);
    EXPECT_TRUE(record.ChannelEnabled()[0]);
    EXPECT_FALSE(record.ChannelEnabled()[1]);
    EXPECT_EQ(copies.settings.settingsCopy.Get(), settings);
    EXPECT_EQ(link.pendingType, PT_NONE);
    EXPECT_TRUE(Signalled());
}

TEST_F(RouterTest, EachReadAnswerLandsInItsBuffer) {
    Report answer{};
    for (PendingType type : {PT_CALIBRATION, PT_ALARM_1, PT_ALARM_2, PT_ALARM_3, PT_ALARM_4,
                             PT_LIVE}) {
        answer[1] = static_cast<uint8_t>(type);
        link.responseEvent.Reset();
        Route(type, answer);
        EXPECT_EQ(link.pendingType, PT_NONE) << type;
        EXPECT_TRUE(Signalled()) << type;
    }
    EXPECT_EQ(record.CalibrationReport()[1], PT_CALIBRATION);
    auto alarms = record.AlarmReports();
    EXPECT_EQ(alarms[0][1], PT_ALARM_1);
    EXPECT_EQ(alarms[1][1], PT_ALARM_2);
    EXPECT_EQ(alarms[2][1], PT_ALARM_3);
    EXPECT_EQ(alarms[3][1], PT_ALARM_4);
    EXPECT_EQ(record.LiveReport()[1], PT_LIVE);
    // The live report is decoded by its sender, not here.
    EXPECT_EQ(record.Readings().temperatureC[0], 65535.0f);
}

TEST_F(RouterTest, IntervalAndScreenStateAreUnsignedBytes) {
    Route(PT_INTERVAL, Text("{\x1E"));
    EXPECT_EQ(record.intervalMinutes, 30);
    Route(PT_INTERVAL, Text("{\xF0"));
    EXPECT_EQ(record.intervalMinutes, 240);

    Route(PT_SCREEN_STATE, Text("{\x01"));
    EXPECT_EQ(record.notOnMainScreen, 1);
    EXPECT_EQ(copies.settings.notOnMainScreen, 1);
    EXPECT_EQ(copies.alarm.notOnMainScreen, 1);
    EXPECT_EQ(copies.calibration.notOnMainScreen, 1);
    EXPECT_EQ(copies.history.notOnMainScreen, 1);
    Route(PT_SCREEN_STATE, Report{});
    EXPECT_EQ(copies.alarm.notOnMainScreen, 0);
    EXPECT_TRUE(Signalled());
}

TEST_F(RouterTest, ReportsNobodyWaitsForAreDropped) {
    Report stray{};
    stray[1] = 0x42;
    for (int pending : {0, 19, 2, 13, 99}) {
        Route(static_cast<PendingType>(pending), stray);
        EXPECT_EQ(link.pendingType, pending);
        EXPECT_FALSE(Signalled()) << pending;
    }
    EXPECT_EQ(record.SettingsReport(), Report{});
    EXPECT_EQ(record.LiveReport(), Report{});
    EXPECT_EQ(record.intervalMinutes, 0);
}

TEST_F(RouterTest, FileListSignalsOnlyAtItsEnd) {
    for (const char* name : {"{CH1.CSV,\x00\x00\x10\x00", "{CH2.CSV,", "{IN.CSV,"}) {
        Route(PT_FILE_LIST, Text(name));
        EXPECT_FALSE(Signalled());
        EXPECT_EQ(link.pendingType, PT_FILE_LIST);
    }
    EXPECT_EQ(sink.entries.size(), 3u);
    Route(PT_FILE_LIST, Text("{@}"));
    EXPECT_EQ(sink.entries.size(), 3u);
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(link.pendingType, PT_NONE);
}

TEST_F(RouterTest, FileDataContentAndChunkEnds) {
    Route(PT_FILE_DATA, Text("{2024-03-05 14:07:09,23.4\r\n}"));
    EXPECT_EQ(sink.received, "2024-03-05 14:07:09,23.4\r\n");
    // No "}": nothing appended, progress still moves.
    Route(PT_FILE_DATA, Text("{abc"));
    EXPECT_EQ(sink.received.size(), 26u);
    EXPECT_EQ(sink.progress, 128);
    // Only what precedes the first "}" counts.
    Route(PT_FILE_DATA, Text("{xy}z}"));
    EXPECT_EQ(sink.received.substr(26), "xy");
    EXPECT_FALSE(Signalled());

    Route(PT_FILE_DATA, Text("{@}"));
    EXPECT_EQ(sink.chunkEnds, std::vector<bool>{false});
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(link.pendingType, PT_FILE_DATA);  // the next chunk follows

    link.responseEvent.Reset();
    sink.lastChunk = true;
    Route(PT_FILE_DATA, Text("{@more}"));  // content beginning with "@" ends the chunk
    EXPECT_EQ(sink.chunkEnds, (std::vector<bool>{false, true}));
    EXPECT_TRUE(Signalled());
    EXPECT_EQ(link.pendingType, PT_NONE);
}

TEST_F(RouterTest, WithoutSinkFileAnswersStillEndTheirExchanges) {
    router.SetFileSink(nullptr);
    Route(PT_FILE_LIST, Text("{CH1.CSV,"));
    Route(PT_FILE_LIST, Text("{@}"));
    EXPECT_TRUE(Signalled());
    EXPECT_TRUE(sink.entries.empty());
}

}  // namespace
}  // namespace corvalin
