// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "alert/SinkQueue.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using TimePoint = SinkQueue::TimePoint;

const TimePoint T0 = std::chrono::system_clock::from_time_t(1700000000);

// A message of one event whose rule is its name.
AlertMessage Message(const std::string& name) {
    AlertEvent event;
    event.rule = name;
    return {"attic", {event}, 0, false, 0};
}

std::string NameOf(const std::optional<AlertMessage>& message) {
    if (!message) return "none";
    std::string name =
        message->heldBack > 0 ? "summary of " + std::to_string(message->heldBack) + ":" : "";
    for (const AlertEvent& event : message->events) name += event.rule;
    return name;
}

// Without an hourly limit (0) nothing is held.
TEST(SinkQueue, EachMessageGoesOnceInOrderAndOnlyAfterTheSinkTookIt) {
    SinkQueue queue({.perHour = 0});
    queue.Add(Message("A"));
    queue.Add(Message("B"));
    EXPECT_EQ(NameOf(queue.Take(T0)), "A");
    EXPECT_EQ(NameOf(queue.Take(T0)), "none");  // A is out
    EXPECT_EQ(queue.NextDue(T0), std::nullopt);
    queue.Done(true, T0);
    EXPECT_EQ(queue.NextDue(T0), T0);
    EXPECT_EQ(NameOf(queue.Take(T0)), "B");
    queue.Done(true, T0);
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h)), "none");
    queue.Done(true, T0);  // nothing out: nothing taken off
    EXPECT_EQ(queue.Waiting(), 0u);
}

TEST(SinkQueue, AFailureIsTriedAgainAfterABackOffThatDoublesToItsLongest) {
    SinkQueue queue({});
    queue.Add(Message("A"));
    queue.Add(Message("B"));
    TimePoint now = T0;
    for (const std::chrono::seconds wait : {10s, 20s, 40s, 80s, 160s, 320s, 640s, 900s, 900s}) {
        ASSERT_EQ(NameOf(queue.Take(now)), "A");
        queue.Done(false, now);
        EXPECT_EQ(queue.NextDue(now), now + wait);
        EXPECT_EQ(NameOf(queue.Take(now + wait - 1s)), "none");
        now += wait;
    }
    ASSERT_EQ(NameOf(queue.Take(now)), "A");
    queue.Done(true, now);
    ASSERT_EQ(NameOf(queue.Take(now)), "B");
    queue.Done(false, now);
    EXPECT_EQ(queue.NextDue(now), now + 10s);  // a success starts the back-off again
}

TEST(SinkQueue, WhenTooManyWaitTheOldestNotBeingSentAreDropped) {
    SinkQueue queue({.maxWaiting = 3});
    size_t dropped = 0;
    for (const char* name : {"1", "2", "3", "4", "5"}) dropped += queue.Add(Message(name));
    EXPECT_EQ(dropped, 2u);
    EXPECT_EQ(NameOf(queue.Take(T0)), "3");
    EXPECT_EQ(queue.Add(Message("6")), 1u);  // drops 4, not 3 which is out
    queue.Done(false, T0);
    EXPECT_EQ(NameOf(queue.Take(T0 + 10s)), "3");  // and 3 is tried again
    queue.Done(true, T0 + 10s);
    EXPECT_EQ(NameOf(queue.Take(T0 + 10s)), "5");
    queue.Done(true, T0 + 10s);
    EXPECT_EQ(NameOf(queue.Take(T0 + 10s)), "6");
}

TEST(SinkQueue, PastTheHourlyLimitMessagesAreHeldAndGoAsOneSummaryWhenItLifts) {
    SinkQueue queue({.perHour = 3});
    for (int i = 0; i < 3; ++i) {
        queue.Add(Message(std::to_string(i)));
        ASSERT_EQ(NameOf(queue.Take(T0 + i * 1min)), std::to_string(i));
        queue.Done(true, T0 + i * 1min);
    }
    queue.Add(Message("x"));
    EXPECT_EQ(NameOf(queue.Take(T0 + 3min)), "none");
    queue.Add(Message("y"));
    EXPECT_EQ(NameOf(queue.Take(T0 + 4min)), "none");
    EXPECT_EQ(queue.NextDue(T0 + 4min), T0 + 1h);
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h - 1s)), "none");
    // The summary fails once; what is held meanwhile joins it.
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h)), "summary of 2:xy");
    queue.Done(false, T0 + 1h);
    queue.Add(Message("z"));
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h + 10s)), "summary of 3:xyz");
    queue.Add(Message("late"));  // while the summary is out
    queue.Done(true, T0 + 1h + 10s);
    // The limit holds again (1 and 2 minutes, and the summary, within the hour).
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h + 11s)), "none");
    EXPECT_EQ(NameOf(queue.Take(T0 + 1h + 1min)), "summary of 1:late");
}

}  // namespace
}  // namespace corvalin
