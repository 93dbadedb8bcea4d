#include "session/StationSession.h"

#include "device/HidTransport.h"
#include "sim/SimTransport.h"
#include "sim/SimulatedStation.h"

namespace corvalin {

Result<std::unique_ptr<StationSession>> StationSession::Create(const ConnectionOptions& options) {
    std::unique_ptr<StationSession> session(new StationSession());
    if (options.simulate) {
        session->simulator_ = std::make_unique<SimulatedStation>(options.sim);
        Status started = session->simulator_->Start();
        if (!started) return Result<std::unique_ptr<StationSession>>::Fail(started.message);
        session->transport_ = std::make_unique<SimTransport>(*session->simulator_);
    } else {
        session->transport_ = std::make_unique<HidTransport>();
    }
    session->link_ = std::make_unique<DeviceLink>(*session->transport_);
    session->router_ =
        std::make_unique<ResponseRouter>(*session->link_, session->record_, session->copies_);
    session->link_->SetReceiver(session->router_.get());
    return Result<std::unique_ptr<StationSession>>::Of(std::move(session));
}

StationSession::~StationSession() {
    // The reader calls the router: stop it before anything it uses goes away.
    if (link_) link_->Shutdown();
    if (simulator_) simulator_->SaveState();
}

}  // namespace corvalin
