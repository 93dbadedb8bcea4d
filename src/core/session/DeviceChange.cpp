#include "session/DeviceChange.h"

namespace corvalin {

std::optional<bool> HandleDeviceChange(StationSession& session, DeviceEvent event) {
    DeviceLink& link = session.link();
    const bool connected = link.connected == 1;
    const bool relevant = (event == DeviceEvent::Arrival && !connected) ||
                          (event == DeviceEvent::Removal && connected);
    if (!relevant) return std::nullopt;

    if (link.OpenDevice()) return true;
    session.record().ClearLive();
    link.responseEvent.Set();
    return false;
}

}  // namespace corvalin
