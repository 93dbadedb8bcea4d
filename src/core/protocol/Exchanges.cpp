#include "protocol/Exchanges.h"

#include <thread>

namespace corvalin {

namespace {

// Ends an exchange: whatever came, the link is left idle for the next sender.
void FinishExchange(DeviceLink& link, Millis wait) {
    link.responseEvent.WaitFor(wait);
    link.responseEvent.Reset();
    link.responseEvent.Set();
}

}  // namespace

CommandFrame ReadCommand(uint8_t code) { return MakeCommandFrame(code); }

void SendRequest(DeviceLink& link, const CommandFrame& frame, PendingType pending, Millis before) {
    link.responseEvent.WaitFor(before);
    link.responseEvent.Reset();
    link.pendingType = pending;
    link.WriteReport(frame);
}

void RequestWithAnswer(DeviceLink& link, const CommandFrame& frame, PendingType pending,
                       Millis before, Millis after) {
    SendRequest(link, frame, pending, before);
    FinishExchange(link, after);
}

void ReadAlarmBlocks(DeviceLink& link) {
    struct Block {
        uint8_t code;
        PendingType pending;
    };
    static constexpr Block blocks[] = {
        {CMD_READ_ALARM_1, PT_ALARM_1},
        {CMD_READ_ALARM_3, PT_ALARM_3},
        {CMD_READ_ALARM_4, PT_ALARM_4},
    };
    link.responseEvent.WaitFor(ALARM_WAIT);
    link.responseEvent.Reset();
    for (const Block& block : blocks) {
        link.pendingType = block.pending;
        link.WriteReport(ReadCommand(block.code));
        link.responseEvent.WaitFor(ALARM_WAIT);
        link.responseEvent.Reset();
    }
    link.responseEvent.Set();
}

GuardedWriteResult GuardedWrite(DeviceLink& link, const std::vector<CommandFrame>& frames,
                                const std::atomic<int32_t>& notOnMainScreen, Millis firstWait,
                                Millis finalWait) {
    if (link.connected != 1) return GuardedWriteResult::NotConnected;

    SendRequest(link, ReadCommand(CMD_SCREEN_STATE), PT_SCREEN_STATE, firstWait);
    std::this_thread::sleep_for(GUARD_PAUSE);

    GuardedWriteResult result = GuardedWriteResult::Written;
    if (notOnMainScreen != 0) {
        result = GuardedWriteResult::NotOnMainScreen;
    } else {
        link.pendingType = PT_NO_REPLY;
        for (const CommandFrame& frame : frames) {
            link.WriteReport(frame);
            std::this_thread::sleep_for(GUARD_PAUSE);
        }
    }
    FinishExchange(link, finalWait);
    // Writes are not answered: only the link can tell that they went nowhere.
    if (result == GuardedWriteResult::Written && !link.StillConnected()) {
        return GuardedWriteResult::Lost;
    }
    return result;
}

void SendWithoutAnswer(DeviceLink& link, const CommandFrame& frame) {
    RequestWithAnswer(link, frame, PT_NO_REPLY, SINGLE_WAIT, SINGLE_WAIT);
}

}  // namespace corvalin
