// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ChannelRig.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvalin::test {

SimOptions Unpaced(SimOptions options, const TempDir& dir) {
    if (options.cardDir.empty()) options.cardDir = dir.File("card");
    options.paceMs = 0;
    return options;
}

std::vector<uint8_t> CommandCodes(const std::vector<Report>& frames) {
    std::vector<uint8_t> codes;
    for (const Report& frame : frames) codes.push_back(frame[1]);
    return codes;
}

ChannelRig::ChannelRig(SimOptions options)
    : station_(std::make_unique<SimulatedStation>(Unpaced(std::move(options), dir_))),
      transport_(std::make_unique<SimTransport>(*station_)),
      link(*transport_),
      channel(link, record) {
    Status started = station_->Start();
    if (!started) throw std::runtime_error(started.message);
    link.SetReceiver(&channel);
    link.SetTrace([this](char direction, const Report& data) {
        if (direction != '>') return;
        std::lock_guard lock(mutex_);
        written_.push_back(data);
    });
}

ChannelRig::~ChannelRig() { link.Shutdown(); }

std::vector<Report> ChannelRig::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

SimOptions WithFault(const char* text) {
    SimOptions options;
    Result<FaultSpec> fault = ParseFaultSpec(text);
    EXPECT_TRUE(fault) << fault.error;
    if (fault) options.faults.push_back(*fault);
    return options;
}

}  // namespace corvalin::test
