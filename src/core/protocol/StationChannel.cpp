// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/StationChannel.h"

#include <thread>

#include "protocol/AnswerRouting.h"

namespace corvalin {

StationChannel::StationChannel(DeviceLink& link, DeviceRecord& record)
    : link_(link), record_(record) {}

void StationChannel::SetFileSink(FileTransferSink* sink) {
    std::lock_guard lock(sinkMutex_);
    sink_ = sink;
}

bool StationChannel::Send(const CommandFrame& frame, PendingType pending, Millis before) {
    responseEvent_.WaitFor(before);
    responseEvent_.Reset();
    answered_ = false;
    pending_ = pending;
    return link_.WriteReport(frame);
}

bool StationChannel::Finish(Millis wait, const std::function<bool()>& stop) {
    if (stop) {
        // In short steps, so that a stop request is seen within a tenth of a second.
        const auto until = std::chrono::steady_clock::now() + wait;
        while (!responseEvent_.WaitFor(std::min<Millis>(Millis{100}, wait)) && !stop() &&
               std::chrono::steady_clock::now() < until) {
        }
    } else {
        responseEvent_.WaitFor(wait);
    }
    const bool answered = answered_.load();
    if (!answered) {
        // Whatever still comes for this request must not answer the next one.
        const int32_t pending = pending_.exchange(PT_NONE);
        if (pending != PT_NONE && pending != PT_NO_REPLY) missedInSequence_ = true;
    }
    responseEvent_.Reset();
    responseEvent_.Set();
    return answered;
}

bool StationChannel::Request(const CommandFrame& frame, PendingType pending, Millis before,
                             Millis after) {
    // A frame the link did not take has no answer to wait for.
    if (!Send(frame, pending, before)) return Finish(Millis{0});
    return Finish(after);
}

std::array<bool, 3> StationChannel::ReadAlarmBlocks(bool stopAtMissing) {
    struct Block {
        uint8_t code;
        PendingType pending;
    };
    static constexpr Block blocks[] = {
        {CMD_READ_ALARM_1, PT_ALARM_1},
        {CMD_READ_ALARM_3, PT_ALARM_3},
        {CMD_READ_ALARM_4, PT_ALARM_4},
    };
    std::array<bool, 3> answered{};
    responseEvent_.WaitFor(ALARM_WAIT);
    responseEvent_.Reset();
    for (size_t i = 0; i < answered.size(); ++i) {
        answered_ = false;
        pending_ = blocks[i].pending;
        link_.WriteReport(MakeCommandFrame(blocks[i].code));
        responseEvent_.WaitFor(ALARM_WAIT);
        answered[i] = answered_.load();
        if (!answered[i]) {
            pending_ = PT_NONE;
            missedInSequence_ = true;
        }
        responseEvent_.Reset();
        if (!answered[i] && stopAtMissing) break;
    }
    responseEvent_.Set();
    return answered;
}

GuardedWriteResult StationChannel::GuardedWrite(const std::vector<CommandFrame>& frames,
                                                Millis firstWait) {
    if (!link_.IsConnected()) return GuardedWriteResult::NotConnected;

    // The screen state is the answer itself, not whatever the record held.
    const bool answered =
        Request(MakeCommandFrame(CMD_SCREEN_STATE), PT_SCREEN_STATE, firstWait, SCREEN_ANSWER_WAIT);
    if (!link_.StillConnected()) return GuardedWriteResult::NotConnected;
    if (!answered || !SequenceClean()) return GuardedWriteResult::NoAnswer;
    if (record_.notOnMainScreen != 0) return GuardedWriteResult::NotOnMainScreen;

    // The channel is still ours: the screen-state answer left it idle and
    // nothing else sends in between.
    pending_ = PT_NO_REPLY;
    for (const CommandFrame& frame : frames) {
        // A frame not taken went nowhere: the commit must not follow it.
        if (!link_.WriteReport(frame)) return GuardedWriteResult::Lost;
        std::this_thread::sleep_for(GUARD_PAUSE);
    }
    // Writes are not answered: only the link can tell that they went nowhere.
    if (!link_.StillConnected()) return GuardedWriteResult::Lost;
    return GuardedWriteResult::Written;
}

bool StationChannel::SendUnanswered(const CommandFrame& frame, Millis before, Millis after) {
    const bool written = Send(frame, PT_NO_REPLY, before);
    Finish(after);
    return written;
}

bool StationChannel::RequestChunk(const CommandFrame& frame, const std::function<bool()>& stop) {
    Send(frame, PT_FILE_DATA, FILE_WAIT);
    return Finish(FILE_WAIT, stop);
}

void StationChannel::EndChunks() {
    int32_t expected = PT_FILE_DATA;
    pending_.compare_exchange_strong(expected, PT_NONE);
    responseEvent_.Reset();
    responseEvent_.Set();
}

void StationChannel::ReleaseWaiter() { responseEvent_.Set(); }

void StationChannel::BeginSequence() {
    missedInSequence_ = false;
    unpairedAtStart_ = unpairedReports_.load();
}

bool StationChannel::AllReportsPaired() const {
    return unpairedReports_.load() == unpairedAtStart_.load();
}

bool StationChannel::SequenceClean() const { return !missedInSequence_ && AllReportsPaired(); }

void StationChannel::Settle(Millis quiet, Millis limit) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        const auto last = Clock::time_point(Clock::duration(lastReportTicks_.load()));
        const auto silent = Clock::now() - last;
        if (silent >= quiet) return;
        std::this_thread::sleep_for(std::chrono::duration_cast<Millis>(quiet - silent) + Millis{1});
    }
}

void StationChannel::OnReport(const Report& data, size_t /*length: data is zero-padded*/) {
    lastReportTicks_ = std::chrono::steady_clock::now().time_since_epoch().count();
    Routed routed;
    {
        std::lock_guard lock(sinkMutex_);
        routed = RouteAnswer(pending_.load(), data, record_, sink_);
    }
    // The answer is stored completely before the waiting sender is woken.
    switch (routed) {
        case Routed::Complete:
            pending_ = PT_NONE;
            answered_ = true;
            responseEvent_.Set();
            break;
        case Routed::ChunkEnd:
            answered_ = true;
            responseEvent_.Set();  // the next chunk keeps PT_FILE_DATA
            break;
        case Routed::Dropped:
        case Routed::Mismatched:
            ++unpairedReports_;
            break;
        case Routed::Stored:
            break;
    }
}

}  // namespace corvalin
