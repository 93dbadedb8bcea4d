// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigSave.h"

#include "common/Messages.h"

namespace corvalin {

SaveOutcome WriteFrames(StationChannel& channel, const std::vector<CommandFrame>& frames) {
    switch (channel.GuardedWrite(frames)) {
        case GuardedWriteResult::Written:
            return {SaveResult::Written, {}};
        case GuardedWriteResult::Lost:
            return {SaveResult::Lost, messages::UNCONNECTED};
        case GuardedWriteResult::NotOnMainScreen:
            return {SaveResult::NotOnMainScreen, messages::SWITCH_TO_MAIN_SCREEN};
        case GuardedWriteResult::NoAnswer:
            return {SaveResult::NoAnswer, messages::NO_ANSWER_NOTHING_WRITTEN};
        case GuardedWriteResult::NotConnected:
            break;
    }
    return {SaveResult::NotConnected, messages::UNCONNECTED};
}

}  // namespace corvalin
