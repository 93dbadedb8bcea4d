#pragma once

#include <memory>

#include "common/Status.h"
#include "device/DeviceLink.h"
#include "device/DeviceRecord.h"
#include "device/Transport.h"
#include "protocol/DialogCopies.h"
#include "protocol/ResponseRouter.h"
#include "sim/SimOptions.h"

namespace corvalin {

class SimulatedStation;

struct ConnectionOptions {
    bool simulate = false;  // the simulated station instead of a real one
    SimOptions sim;
};

// Everything one run of the program talks to the station with: the transport
// (hidapi or the simulated station), the link and its reader, the router, the
// device record and the dialogs' copies, wired together and torn down in order.
class StationSession {
public:
    static Result<std::unique_ptr<StationSession>> Create(const ConnectionOptions& options);
    ~StationSession();

    StationSession(const StationSession&) = delete;
    StationSession& operator=(const StationSession&) = delete;

    DeviceLink& link() { return *link_; }
    DeviceRecord& record() { return record_; }
    DialogCopies& copies() { return copies_; }
    ResponseRouter& router() { return *router_; }
    // The simulated station, or nullptr for a real one.
    SimulatedStation* simulator() { return simulator_.get(); }
    bool simulated() const { return simulator_ != nullptr; }

private:
    StationSession() = default;

    std::unique_ptr<SimulatedStation> simulator_;
    std::unique_ptr<Transport> transport_;
    DeviceRecord record_;
    DialogCopies copies_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<ResponseRouter> router_;
};

}  // namespace corvalin
