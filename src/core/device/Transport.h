// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Status.h"

namespace corvalin {

// One HID interface present on the system.
struct HidInterface {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serial;  // the USB serial number; empty where the device has none
};

// One open handle on a HID interface. A handle is used by one thread at a time:
// the link opens one for the reader thread and one for the writers.
class TransportHandle {
public:
    virtual ~TransportHandle() = default;

    // Writes one output report: 65 bytes, the report id 0 first.
    // Returns the bytes written, or -1 on error (device gone).
    virtual int Write(const uint8_t* report, size_t length) = 0;

    // Reads one input report's data bytes (without report id) into data.
    // Returns the number of data bytes, 0 on time-out, -1 on error (device gone).
    virtual int Read(uint8_t* data, size_t capacity, int timeoutMs) = 0;
};

// The platform side of the link: finding HID interfaces and opening them.
class Transport {
public:
    virtual ~Transport() = default;

    // Interfaces present now, in enumeration order.
    virtual std::vector<HidInterface> Enumerate() = 0;

    // Opens a path for reading or writing. On failure the message says why
    // (busy, permission denied, ...).
    virtual Result<std::unique_ptr<TransportHandle>> Open(const std::string& path) = 0;
};

}  // namespace corvalin
