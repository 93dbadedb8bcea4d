// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "common/ManualResetEvent.h"
#include "device/DeviceLink.h"
#include "device/DeviceLock.h"
#include "protocol/CommandFrame.h"
#include "protocol/DeviceRecord.h"
#include "protocol/FileTransferSink.h"
#include "protocol/Protocol.h"

namespace corvalin {

enum class GuardedWriteResult {
    Written,          // the frames were sent
    NotOnMainScreen,  // the station refused: only the screen-state query went out
    NoAnswer,         // the screen state, or an answer the frames build on, did not come:
                      // only the query went out
    NotConnected,     // nothing but perhaps the query was sent: the station is gone
    Lost,             // the frames went out but the station is gone now
};

// The request/answer hand-off with the station, and the only place that
// knows about it: it says which answer the next input report is, waits for
// it, and routes every report the reader thread receives into the device
// record or to the SD-card side. Input reports carry no request id, so the
// pending type in force when a report arrives is all that pairs it with its
// request. Every wait is bounded; an exchange whose answer did not come in
// time ends, and its answer, should it still come, is dropped.
//
// Answers are judged in sequences (a read cycle and what is built on it): a
// sequence is clean while every answer came in time and no report arrived
// that no exchange took. After a missing answer, a later one may be the late
// answer of the earlier request, so nothing after it is trusted.
class StationChannel : public ReportReceiver {
public:
    StationChannel(DeviceLink& link, DeviceRecord& record);

    StationChannel(const StationChannel&) = delete;
    StationChannel& operator=(const StationChannel&) = delete;

    bool IsConnected() const { return link_.IsConnected(); }
    // Connected, and the reader has not seen the station go.
    bool StillConnected() const { return link_.StillConnected(); }

    // The SD-card side; nullptr drops list entries and file content. Once this
    // returns, the previous sink is no longer called.
    void SetFileSink(FileTransferSink* sink);

    // A request with one answer: wait up to `before` for the channel to be
    // idle, send, wait up to `after` for the answer. True when it came in time.
    bool Request(const CommandFrame& frame, PendingType pending, Millis before, Millis after);
    // The read command `code` with its answer's pending type and waits.
    bool Read(uint8_t code, PendingType pending, Millis wait) {
        return Request(MakeCommandFrame(code), pending, wait, wait);
    }

    // The three alarm blocks, chained: 1, 3, 4 (1 s per wait). Element i is
    // true when block i's answer came. `stopAtMissing`: the blocks after a
    // missing answer are not asked for.
    std::array<bool, 3> ReadAlarmBlocks(bool stopAtMissing = false);

    // Asks for the screen state and waits for its answer, then sends
    // `frames` 50 ms apart unless the station is off its main screen, did
    // not answer, or the sequence is not clean. `firstWait` is how long it
    // waits for the channel to be idle.
    GuardedWriteResult GuardedWrite(const std::vector<CommandFrame>& frames,
                                    Millis firstWait = GUARD_FIRST_WAIT);

    // A command the station does not answer: wait up to `before`, send, then
    // wait up to `after`. True when the station took the frame.
    bool SendUnanswered(const CommandFrame& frame, Millis before, Millis after);

    // One chunk of a file download; the content goes to the file sink. True
    // when the chunk's end marker came within the wait. `stop` ends the wait
    // early when it turns true.
    bool RequestChunk(const CommandFrame& frame, const std::function<bool()>& stop = {});
    // The run of chunks is over (done or failed): data reports that still
    // come are dropped.
    void EndChunks();

    // The station is gone: a sender waiting for an answer goes on at once.
    void ReleaseWaiter();

    // Keeps other programs away from the station for one sequence of
    // exchanges, while the returned hold lives.
    using StationHolder = std::function<DeviceLock::Hold()>;
    void SetStationHolder(StationHolder holder) { holder_ = std::move(holder); }
    DeviceLock::Hold HoldStation() const { return holder_ ? holder_() : DeviceLock::Hold(); }

    // Starts a sequence of exchanges that are judged together.
    void BeginSequence();
    // Every answer of the sequence came in time, and every report was taken.
    bool SequenceClean() const;
    // No report arrived that no exchange took, since the sequence began.
    bool AllReportsPaired() const;
    // Waits until no report has come for `quiet` (at most `limit`), so that
    // reports still trailing are counted.
    void Settle(Millis quiet = SETTLE_QUIET, Millis limit = SETTLE_LIMIT);

    // Reader thread.
    void OnReport(const Report& data, size_t length) override;

    // The answer the next report is taken for (tests).
    PendingType Pending() const { return static_cast<PendingType>(pending_.load()); }

private:
    // Waits up to `before` for the channel to be idle, claims it, says what
    // answer is expected and sends.
    bool Send(const CommandFrame& frame, PendingType pending, Millis before);
    // Waits up to `wait` for the answer, then leaves the channel idle; when
    // it did not come, a late answer is dropped.
    bool Finish(Millis wait, const std::function<bool()>& stop = {});

    DeviceLink& link_;
    DeviceRecord& record_;
    std::atomic<int32_t> pending_{PT_NONE};
    std::atomic<bool> answered_{false};  // the pending exchange got its answer
    ManualResetEvent responseEvent_{true};
    std::atomic<uint64_t> unpairedReports_{0};
    std::atomic<uint64_t> unpairedAtStart_{0};
    std::atomic<bool> missedInSequence_{false};
    std::atomic<int64_t> lastReportTicks_{0};
    std::mutex sinkMutex_;
    FileTransferSink* sink_ = nullptr;
    StationHolder holder_;
};

}  // namespace corvalin
