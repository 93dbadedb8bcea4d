// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "protocol/StationProbe.h"
#include "support/FakeTransport.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using test::FakeTransport;

Report IntervalAnswer(uint8_t minutes) {
    Report report{};
    report[0] = FRAME_START;
    report[1] = minutes;
    return report;
}

TEST(StationProbe, OnlyAWholeAnswerThatCanBeTheIntervalMakesAStation) {
    struct Case {
        const char* name;
        std::vector<std::pair<Report, int>> reports;
        StationAnswer expected;
    };
    const std::vector<Case> cases = {
        {"an interval of 30 minutes", {{IntervalAnswer(30), 64}}, StationAnswer::Answered},
        {"the shortest interval after a stray report",
         {{IntervalAnswer(0xEE), 64}, {IntervalAnswer(5), 64}},
         StationAnswer::Answered},
        {"an interval the station cannot hold", {{IntervalAnswer(4), 64}}, StationAnswer::Silent},
        {"a short report", {{IntervalAnswer(30), 8}}, StationAnswer::Silent},
        {"nothing at all", {}, StationAnswer::Silent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTransport transport;
        transport.SetDevices({{{"/dev/hidraw1", STATION_VENDOR_ID, STATION_PRODUCT_ID, ""}, ""}});
        auto handle = transport.Open("/dev/hidraw1");
        ASSERT_TRUE(handle);
        for (const auto& [report, length] : c.reports) transport.PushReport(report, length);
        EXPECT_EQ(AskWhetherStation(**handle.value, 100ms), c.expected);
        // The read of the interval, and nothing else, went out.
        ASSERT_EQ(transport.Written().size(), 1u);
        const std::vector<uint8_t> sent = transport.Written()[0];
        EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + 5),
                  (std::vector<uint8_t>{0x00, 0x7B, 0x41, 0x40, 0x7D}));
    }
}

}  // namespace
}  // namespace corvalin
