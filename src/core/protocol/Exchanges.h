#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "device/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/Protocol.h"

namespace corvalin {

// The request/response disciplines of the station. Every wait is bounded; a
// missing answer is not an error: the buffers keep what they held.

// The start of every exchange: wait up to `before` for the link to be idle,
// claim it, say what answer is expected, send.
void SendRequest(DeviceLink& link, const CommandFrame& frame, PendingType pending, Millis before);

// A request with one answer: SendRequest, then wait up to `after` for the
// answer and leave the link idle.
void RequestWithAnswer(DeviceLink& link, const CommandFrame& frame, PendingType pending,
                       Millis before, Millis after);

// The three alarm blocks, chained: 1, 3, 4.
void ReadAlarmBlocks(DeviceLink& link);

enum class GuardedWriteResult {
    Written,          // the frames were sent
    NotOnMainScreen,  // the station refused: only the screen-state query went out
    NotConnected,     // nothing was sent
    Lost,             // the frames went out but the station is gone now
};

// Asks for the screen state, then sends `frames` 50 ms apart unless the
// station says it is off its main screen. `notOnMainScreen` is the caller's
// copy, which the router updates with the answer.
// The waits are those of the configuration dialogs unless given.
GuardedWriteResult GuardedWrite(DeviceLink& link, const std::vector<CommandFrame>& frames,
                                const std::atomic<int32_t>& notOnMainScreen,
                                Millis firstWait = GUARD_FIRST_WAIT,
                                Millis finalWait = GUARD_FINAL_WAIT);

// A single command that is not answered (the logging interval).
void SendWithoutAnswer(DeviceLink& link, const CommandFrame& frame);

// The read commands, each with its answer's pending type.
CommandFrame ReadCommand(uint8_t code);

}  // namespace corvalin
