#include "config/ConfigSave.h"

#include "protocol/Exchanges.h"
#include "protocol/Messages.h"

namespace corvalin {

SaveOutcome WriteFrames(DeviceLink& link, const std::vector<CommandFrame>& frames,
                        const std::atomic<int32_t>& notOnMainScreen) {
    switch (GuardedWrite(link, frames, notOnMainScreen)) {
        case GuardedWriteResult::Written:
            return {SaveResult::Written, {}};
        case GuardedWriteResult::Lost:
            return {SaveResult::Lost, messages::UNCONNECTED};
        case GuardedWriteResult::NotOnMainScreen:
            return {SaveResult::NotOnMainScreen, messages::SWITCH_TO_MAIN_SCREEN};
        case GuardedWriteResult::NotConnected:
            break;
    }
    return {SaveResult::NotConnected, messages::UNCONNECTED};
}

}  // namespace corvalin
