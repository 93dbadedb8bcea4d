// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/HidTransport.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <mutex>

namespace corvalin {

namespace {

class HidHandle : public TransportHandle {
public:
    explicit HidHandle(hid_device* device) : device_(device) {}
    ~HidHandle() override { hid_close(device_); }

    int Write(const uint8_t* report, size_t length) override {
        return hid_write(device_, report, length);
    }

    int Read(uint8_t* data, size_t capacity, int timeoutMs) override {
        return hid_read_timeout(device_, data, capacity, timeoutMs);
    }

private:
    hid_device* device_;
};

std::string Narrow(const wchar_t* text) {
    if (text == nullptr) return {};
    std::string out;
    for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// Users meet these two first, so they get a sentence of their own.
std::string OpenFailure(const std::string& path, int error, const std::string& detail) {
    const std::string prefix = "Cannot open the station at " + path + ": ";
    const bool denied =
        error == EACCES || error == EPERM || detail.find("Permission denied") != std::string::npos;
    if (denied) {
        return prefix +
               "permission denied. Install the udev rule from packaging/ (or run as a user "
               "allowed to use the device) and plug the station in again.";
    }
    const bool busy = error == EBUSY || detail.find("busy") != std::string::npos;
    if (busy) return prefix + "the device is busy; another program may be using it.";
    if (error != 0) return prefix + std::strerror(error);
    return prefix + (detail.empty() ? std::string("unknown error") : detail);
}

}  // namespace

HidTransport::HidTransport() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { hid_init(); });
}

std::vector<HidInterface> HidTransport::Enumerate() {
    std::vector<HidInterface> found;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->path == nullptr) continue;
        found.push_back(
            {info->path, info->vendor_id, info->product_id, Narrow(info->serial_number)});
    }
    hid_free_enumeration(list);
    return found;
}

Result<std::unique_ptr<TransportHandle>> HidTransport::Open(const std::string& path) {
    errno = 0;
    hid_device* device = hid_open_path(path.c_str());
    const int error = errno;
    if (device == nullptr) {
        return Result<std::unique_ptr<TransportHandle>>::Fail(
            OpenFailure(path, error, Narrow(hid_error(nullptr))));
    }
    return Result<std::unique_ptr<TransportHandle>>::Of(std::make_unique<HidHandle>(device));
}

}  // namespace corvalin
