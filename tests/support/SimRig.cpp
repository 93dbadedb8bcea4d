#include "support/SimRig.h"

#include <stdexcept>

namespace corvalin::test {

SimRig::SimRig(SimOptions options) {
    if (options.cardDir.empty()) options.cardDir = dir_.File("card");
    options.paceMs = 0;
    ConnectionOptions connection;
    connection.simulate = true;
    connection.sim = options;
    auto created = StationSession::Create(connection);
    if (!created) throw std::runtime_error(created.error);
    session_ = std::move(*created.value);
    session_->link().SetTrace([this](char direction, const Report& data) {
        if (direction != '>') return;
        std::lock_guard lock(mutex_);
        written_.push_back(data);
    });
}

SimRig::~SimRig() { session_.reset(); }

std::vector<Report> SimRig::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void SimRig::ClearWritten() {
    std::lock_guard lock(mutex_);
    written_.clear();
}

std::vector<uint8_t> SimRig::WrittenCodes() const {
    std::vector<uint8_t> codes;
    for (const Report& frame : Written()) codes.push_back(frame[1]);
    return codes;
}

}  // namespace corvalin::test
