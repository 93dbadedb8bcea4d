#include "config/ConfigSave.h"

#include "protocol/Exchanges.h"
#include "protocol/Messages.h"

namespace corvalin {

SaveOutcome WriteFrames(DeviceLink& link, const std::vector<CommandFrame>& frames,
                        const std::atomic<int32_t>& notOnMainScreen) {
    switch (GuardedWrite(link, frames, notOnMainScreen)) {
        case GuardedWriteResult::Written:
            if (link.connected != 1 || link.ReaderLost()) {
                return {SaveResult::Lost, messages::UNCONNECTED};
            }
            return {SaveResult::Written, {}};
        case GuardedWriteResult::NotOnMainScreen:
            return {SaveResult::NotOnMainScreen, messages::SWITCH_TO_MAIN_SCREEN};
        case GuardedWriteResult::NotConnected:
            break;
    }
    return {SaveResult::NotConnected, messages::UNCONNECTED};
}

}  // namespace corvalin
