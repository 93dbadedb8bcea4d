// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/DeviceLink.h"

#include <algorithm>
#include <vector>

namespace corvalin {

namespace {
// The reader looks at its stop flag this often while no report comes.
constexpr int READ_POLL_MS = 100;
}  // namespace

DeviceLink::DeviceLink(Transport& transport) : transport_(transport), finder_(transport) {}

DeviceLink::~DeviceLink() { Shutdown(); }

void DeviceLink::SetReceiver(ReportReceiver* receiver) { receiver_ = receiver; }

void DeviceLink::SetTrace(TraceFunction trace) { trace_ = std::move(trace); }

bool DeviceLink::OpenDevice() {
    if (firstOpen_) {
        firstOpen_ = false;
        stopping_ = false;
        readerThread_ = std::thread([this] { ReaderThread(); });
    }

    connected_ = false;
    {
        // Dropping the handles closes them once the reader lets go of its copy.
        std::lock_guard lock(stateMutex_);
        readHandle_.reset();
        writeHandle_.reset();
        lastOpenError_.clear();
    }

    StationFinder::Found found = finder_.Find();
    std::string error = found.error;
    if (found.handle) {
        auto writer = transport_.Open(found.path);
        if (!writer) {
            error = writer.error;
        } else {
            {
                std::lock_guard lock(stateMutex_);
                readHandle_ = std::shared_ptr<TransportHandle>(std::move(found.handle));
                writeHandle_ = std::shared_ptr<TransportHandle>(std::move(*writer.value));
                devicePath_ = found.path;
                serial_ = found.serial;
                severalStations_.clear();
                lastOpenNotes_ = found.notes;
            }
            readerLost_ = false;
            writeFailed_ = false;
            connected_ = true;
            readEvent_.Set();
            return true;
        }
    }

    std::lock_guard lock(stateMutex_);
    lastOpenError_ = error;
    lastOpenNotes_.clear();
    severalStations_.clear();
    if (found.several) {
        for (const DeviceCandidate& candidate : found.candidates) {
            if (candidate.answer == StationAnswer::Answered) severalStations_.push_back(candidate);
        }
    }
    return false;
}

bool DeviceLink::WriteReport(const Report& frame) {
    if (!connected_) return false;
    std::shared_ptr<TransportHandle> handle = WriteHandle();
    if (!handle) return false;

    uint8_t report[WIRE_REPORT_SIZE];
    report[0] = 0;  // report id
    std::copy(frame.begin(), frame.end(), report + 1);
    int written;
    {
        // The answer a frame causes is traced after the frame, never before.
        std::lock_guard traceLock(traceMutex_);
        std::lock_guard lock(writeMutex_);
        written = handle->Write(report, sizeof report);
        if (written > 0) Trace('>', frame);
    }
    if (written <= 0) {
        // The handle is dead: say so now, not only once the reader notices;
        // unless OpenDevice has replaced it meanwhile.
        std::lock_guard lock(stateMutex_);
        if (handle == writeHandle_) writeFailed_ = true;
    }
    std::this_thread::sleep_for(WRITE_PAUSE);
    return written > 0;
}

void DeviceLink::Shutdown() {
    stopping_ = true;
    readEvent_.Set();
    if (readerThread_.joinable()) readerThread_.join();
    connected_ = false;
    std::lock_guard lock(stateMutex_);
    readHandle_.reset();
    writeHandle_.reset();
}

std::string DeviceLink::DevicePath() const {
    std::lock_guard lock(stateMutex_);
    return devicePath_;
}

bool DeviceLink::StationPresent() {
    if (!connected_ || readerLost_) return false;
    const std::string path = DevicePath();
    for (const HidInterface& present : transport_.Enumerate()) {
        if (present.path == path && present.vendorId == STATION_VENDOR_ID &&
            present.productId == STATION_PRODUCT_ID) {
            return true;
        }
    }
    return false;
}

std::string DeviceLink::Serial() const {
    std::lock_guard lock(stateMutex_);
    return serial_;
}

std::string DeviceLink::LastOpenError() const {
    std::lock_guard lock(stateMutex_);
    return lastOpenError_;
}

std::vector<DeviceCandidate> DeviceLink::StationsToChooseFrom() const {
    std::lock_guard lock(stateMutex_);
    return severalStations_;
}

std::vector<std::string> DeviceLink::LastOpenNotes() const {
    std::lock_guard lock(stateMutex_);
    return lastOpenNotes_;
}

std::shared_ptr<TransportHandle> DeviceLink::ReadHandle() const {
    std::lock_guard lock(stateMutex_);
    return readHandle_;
}

std::shared_ptr<TransportHandle> DeviceLink::WriteHandle() const {
    std::lock_guard lock(stateMutex_);
    return writeHandle_;
}

void DeviceLink::Trace(char direction, const Report& data) const {
    if (trace_) trace_(direction, data);
}

void DeviceLink::ReaderThread() {
    Report data{};
    while (!stopping_) {
        readEvent_.Reset();
        if (!connected_) {
            readEvent_.Wait();
            continue;
        }
        std::shared_ptr<TransportHandle> handle = ReadHandle();
        if (!handle) {
            readEvent_.Wait();
            continue;
        }

        data.fill(0);  // a short report is zero-padded
        const int received = handle->Read(data.data(), data.size(), READ_POLL_MS);
        if (received == 0) continue;  // nothing yet; look at the flags again
        if (received < 0) {
            // The station is gone: sleep until OpenDevice finds one again.
            handle.reset();
            readerLost_ = true;
            readEvent_.Wait();
            continue;
        }
        if (!connected_) continue;
        // A report read on a handle that OpenDevice has since replaced also
        // reaches the new handle: drop this copy.
        if (handle != ReadHandle()) continue;

        {
            std::lock_guard traceLock(traceMutex_);
            Trace('<', data);
        }
        if (receiver_ != nullptr) {
            receiver_->OnReport(data, std::min<size_t>(static_cast<size_t>(received), REPORT_SIZE));
        }
    }
}

}  // namespace corvalin
