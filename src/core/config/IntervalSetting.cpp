// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/IntervalSetting.h"

#include "common/Messages.h"
#include "common/NumberText.h"
#include "protocol/SettingsBlock.h"

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
    const int32_t minutes = ReadLeadingInteger(text);
    if (minutes < LOGGING_INTERVAL_MIN || minutes > LOGGING_INTERVAL_MAX) return std::nullopt;
    return static_cast<uint8_t>(minutes);
}

IntervalResult SetLoggingInterval(StationChannel& channel, std::string_view text) {
    const std::optional<uint8_t> minutes = IntervalFromText(text);
    if (!minutes) return IntervalResult::OutOfRange;
    if (!channel.IsConnected()) return IntervalResult::Unconnected;
    channel.SendUnanswered(MakeIntervalFrame(*minutes), SINGLE_WAIT, SINGLE_WAIT);
    // The station does not answer; a success after it went away would be a lie.
    if (!channel.StillConnected()) return IntervalResult::Unconnected;
    return IntervalResult::Set;
}

}  // namespace corvalin
