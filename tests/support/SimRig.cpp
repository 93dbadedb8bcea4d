// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SimRig.h"

#include <stdexcept>
#include <string>

namespace corvalin::test {

SimRig::SimRig(SimOptions options) {
    ConnectionOptions connection;
    connection.simulate = true;
    connection.sim = Unpaced(std::move(options), dir_);
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

}  // namespace corvalin::test
