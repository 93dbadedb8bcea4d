#include "config/IntervalSetting.h"

#include "config/ConfigMessages.h"
#include "config/EditValue.h"
#include "config/SettingsBlock.h"
#include "protocol/Exchanges.h"
#include "protocol/Messages.h"

namespace corvalin {

const char* IntervalMessage(IntervalResult result) {
    switch (result) {
        case IntervalResult::Set:
            return messages::SET_INTERVAL_SUCCESS;
        case IntervalResult::OutOfRange:
            return messages::INTERVAL_RANGE;
        case IntervalResult::Unconnected:
            break;
    }
    return messages::UNCONNECTED;
}

std::optional<uint8_t> IntervalFromText(std::string_view text) {
    const int32_t minutes = ReadEditInteger(text);
    if (minutes < LOGGING_INTERVAL_MIN || minutes > LOGGING_INTERVAL_MAX) return std::nullopt;
    return static_cast<uint8_t>(minutes);
}

IntervalResult SetLoggingInterval(DeviceLink& link, std::string_view text) {
    const std::optional<uint8_t> minutes = IntervalFromText(text);
    if (!minutes) return IntervalResult::OutOfRange;
    if (link.connected != 1) return IntervalResult::Unconnected;
    SendWithoutAnswer(link, MakeIntervalFrame(*minutes));
    // The station does not answer; a success after it went away would be a lie.
    if (!link.StillConnected()) return IntervalResult::Unconnected;
    return IntervalResult::Set;
}

}  // namespace corvalin
