#pragma once

#include <optional>

#include "session/StationSession.h"

namespace corvalin {

enum class DeviceEvent { Arrival, Removal };

// A HID interface came or went. Searches again on an arrival while
// unconnected and on a removal while connected; when no station is found
// the live readings are cleared and a waiting sender is released.
// Returns the new connection state, or nothing when the event was ignored.
std::optional<bool> HandleDeviceChange(StationSession& session, DeviceEvent event);

}  // namespace corvalin
