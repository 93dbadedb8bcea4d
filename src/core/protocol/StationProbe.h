// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/StationChoice.h"
#include "device/Transport.h"
#include "protocol/Protocol.h"

namespace corvalin {

// Asks a device that has the station's USB ids for its logging interval, a
// read that changes nothing, and judges what comes back as the channel
// judges that answer: a device is taken for a station only once a whole
// report came in time that can be the answer. Reports that cannot are
// passed over until the wait ends.
StationAnswer AskWhetherStation(TransportHandle& handle, Millis wait = SHORT_WAIT);

}  // namespace corvalin
