// SPDX-License-Identifier: GPL-3.0-or-later
// The sinks against real receivers on loopback: a webhook and ntfy receiver
// (Python's http.server) and a mail server (aiosmtpd).
#include <gtest/gtest.h>

#include "alert/AlertText.h"
#include "notify/AlertSender.h"
#include "notify/SinkWorker.h"
#include "support/Eventually.h"
#include "support/LogLines.h"
#include "support/LoggerRig.h"
#include "support/NotifyReceiver.h"

namespace corvalin {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr int64_t NOON = 1700049600;

AlertMessage Message(const std::string& rule, AlertState state = AlertState::Firing) {
    AlertEvent event{rule, AlertKind::Above, "attic", 1, "temperature", 31.0, 30.0, state, NOON};
    return {"attic", {event}, 0, false, NOON};
}

NotifyTarget Target(const std::string& address, MailOptions mail = {}) {
    const Result<NotifyTarget> target = ParseNotifyTarget(address, mail);
    EXPECT_TRUE(target) << target.error;
    return target.value.value_or(NotifyTarget{});
}

// The rules of the requests that were answered 200, in order.
std::vector<std::string> Delivered(const test::NotifyReceiver& receiver) {
    std::vector<std::string> rules;
    for (const Json& request : receiver.Requests()) {
        if (request["mode"] == "fail") continue;
        const Json body = Json::parse(request["body"].get<std::string>());
        rules.push_back(body["state"] == "SUMMARY"
                            ? "summary of " + std::to_string(body["held"].get<int>())
                            : body["rule"].get<std::string>());
    }
    return rules;
}

// Moves the clock in steps until `count` requests came: a back-off passes
// however slow the machine, and no step is decided by speed.
bool AdvanceUntil(test::SteppedClock& clock, const test::NotifyReceiver& receiver, size_t count) {
    return test::Eventually([&] {
        if (receiver.WaitFor(count, 0s)) return true;
        clock.Advance(5s);
        return receiver.WaitFor(count, 0s);
    });
}

// The webhook's body is what the worker tests below read back.
TEST(SinkDelivery, NtfyAndMailEachGetTheMessageAsTheirKindSaysIt) {
    test::NotifyReceiver receiver;
    test::MailServer mail;
    ASSERT_TRUE(receiver.Started() && mail.Started());
    const AlertMessage message = Message("ch1.temperature above 30");
    const std::string ntfy = "ntfy://127.0.0.1:" + std::to_string(receiver.port()) + "/freezer";
    ASSERT_TRUE(SendAlert(Target(ntfy), message)) << ntfy;
    ASSERT_TRUE(receiver.WaitFor(1));
    const std::vector<Json> requests = receiver.Requests();
    // The texts are the core's; each sink carries them where its kind wants them.
    EXPECT_EQ(requests[0]["path"], "/freezer");
    EXPECT_EQ(std::tuple(requests[0]["headers"]["Title"], requests[0]["headers"]["Priority"],
                         requests[0]["headers"]["Tags"], requests[0]["body"]),
              std::tuple(Json(MessageTitle(message)), Json("4"), Json(MessageTags(message)),
                         Json(MessageBody(message))));

    const std::string server = "smtp://127.0.0.1:" + std::to_string(mail.port());
    ASSERT_TRUE(SendAlert(Target(server, {"logger@example.org", {"me@example.org"}, ""}), message));
    ASSERT_TRUE(mail.WaitFor(1));
    const std::string received = mail.Mails().at(0);
    EXPECT_NE(received.find("\nFIRING: CH1 temperature 31.0"), std::string::npos) << received;
}

TEST(SinkDelivery, ASinkThatRefusesHangsOrIsAwayGetsEachMessageOnceInOrder) {
    test::SteppedClock clock;
    test::LogLines log;
    auto receiver = std::make_unique<test::NotifyReceiver>();
    ASSERT_TRUE(receiver->Started());
    const int port = receiver->port();
    SinkWorker worker(Target(receiver->Url()), {}, clock, log.Sink());
    worker.Start();

    // Refuses: A is tried again after its back-off, B waits behind it.
    receiver->SetMode("fail");
    worker.Add(Message("A"));
    ASSERT_TRUE(receiver->WaitFor(1));
    worker.Add(Message("B"));
    ASSERT_TRUE(log.WaitFor("could not be sent (the server answered HTTP 503)"));
    ASSERT_TRUE(AdvanceUntil(clock, *receiver, 2));
    receiver->SetMode("ok");
    ASSERT_TRUE(AdvanceUntil(clock, *receiver, 4));
    EXPECT_EQ(Delivered(*receiver), (std::vector<std::string>{"A", "B"}));

    // Hangs: C is answered late, once; D follows it.
    receiver->SetMode("hang");
    worker.Add(Message("C"));
    ASSERT_TRUE(receiver->WaitFor(5));
    worker.Add(Message("D"));
    receiver->SetMode("ok");
    ASSERT_TRUE(receiver->WaitFor(6));
    EXPECT_EQ(Delivered(*receiver), (std::vector<std::string>{"A", "B", "C", "D"}));

    // Away: E waits until a receiver listens on the port again.
    ASSERT_TRUE(test::Eventually([&] { return worker.Waiting() == 0; }));
    receiver.reset();
    worker.Add(Message("E"));
    ASSERT_TRUE(log.WaitFor("could not be sent", 2));
    receiver = std::make_unique<test::NotifyReceiver>(port);
    ASSERT_TRUE(receiver->Started());
    ASSERT_TRUE(AdvanceUntil(clock, *receiver, 1));

    // Hangs at the stop: the stop cuts it short and says what was not sent.
    receiver->SetMode("hang");
    worker.Add(Message("F"));
    ASSERT_TRUE(receiver->WaitFor(2));
    worker.Stop();
    EXPECT_TRUE(log.WaitFor("1 messages were not sent before the stop"));
    EXPECT_EQ(Delivered(*receiver), (std::vector<std::string>{"E", "F"}));
}

TEST(SinkDelivery, AFloodIsHeldByTheHourlyLimitAndSummedUpOnce) {
    test::SteppedClock clock;
    test::LogLines log;
    test::NotifyReceiver receiver;
    ASSERT_TRUE(receiver.Started());
    SinkWorker worker(Target(receiver.Url()), {.perHour = 2}, clock, log.Sink());
    worker.Start();
    for (const char* rule : {"1", "2", "3", "4", "5"}) worker.Add(Message(rule));
    ASSERT_TRUE(log.WaitFor("the hourly limit is reached"));
    ASSERT_TRUE(receiver.WaitFor(2));
    clock.Advance(1h);
    ASSERT_TRUE(receiver.WaitFor(3));
    worker.Stop();
    EXPECT_EQ(Delivered(receiver), (std::vector<std::string>{"1", "2", "summary of 3"}));
}

}  // namespace
}  // namespace corvalin
