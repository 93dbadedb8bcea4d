// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/Transport.h"

namespace corvalin {

// The real station over hidapi's hidraw backend.
class HidTransport : public Transport {
public:
    HidTransport();
    std::vector<HidInterface> Enumerate() override;
    Result<std::unique_ptr<TransportHandle>> Open(const std::string& path) override;
};

}  // namespace corvalin
