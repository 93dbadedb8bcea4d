#pragma once

#include "device/DeviceLink.h"
#include "device/DeviceRecord.h"
#include "protocol/DialogCopies.h"

namespace corvalin {

// One poll of the station: settings, interval, alarm blocks, calibration and
// live readings, each copied where the dialogs find it, then the live report
// decoded. With no answers at all it ends after its time-outs (about 14 s)
// and the record keeps its previous contents.
void RunReadCycle(DeviceLink& link, DeviceRecord& record, DialogCopies& copies);

}  // namespace corvalin
