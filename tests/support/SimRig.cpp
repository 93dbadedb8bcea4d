// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SimRig.h"

#include <stdexcept>
#include <string>

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
    session_->SetTrace([this](char direction, const std::string& hex) {
        if (direction != '>') return;
        Report frame{};
        for (size_t i = 0; i < frame.size() && 3 * i + 1 < hex.size(); ++i) {
            frame[i] = static_cast<uint8_t>(std::stoul(hex.substr(3 * i, 2), nullptr, 16));
        }
        std::lock_guard lock(mutex_);
        written_.push_back(frame);
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
