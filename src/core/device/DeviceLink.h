// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/ManualResetEvent.h"
#include "device/Report.h"
#include "device/StationFinder.h"
#include "device/Transport.h"

namespace corvalin {

// Receives every input report the reader thread reads (the protocol above it).
class ReportReceiver {
public:
    virtual ~ReportReceiver() = default;
    // `data` is zero-padded to 64 bytes; `length` is the number of bytes received.
    virtual void OnReport(const Report& data, size_t length) = 0;
};

// The one link to the station: finds and opens it, writes reports and runs the
// reader thread that hands every input report to the receiver. It knows
// nothing of what the bytes mean. Used from the UI, poll and reader threads.
class DeviceLink {
public:
    explicit DeviceLink(Transport& transport);
    ~DeviceLink();

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Set before the first OpenDevice; the receiver must outlive the link's reader.
    void SetReceiver(ReportReceiver* receiver);
    // Called for every report written ('>') and read ('<'), on the thread doing it.
    using TraceFunction = std::function<void(char direction, const Report& data)>;
    void SetTrace(TraceFunction trace);

    // Which station OpenDevice takes, and how a device is asked whether it
    // is one; set before OpenDevice.
    void SetChoice(StationChoice choice) { finder_.SetChoice(std::move(choice)); }
    StationChoice Choice() const { return finder_.Choice(); }
    void SetProbe(StationFinder::Probe probe) { finder_.SetProbe(std::move(probe)); }

    // Forgets the current connection and looks for the station again; the
    // first call starts the reader thread. True when a station is open.
    bool OpenDevice();
    // Every device with the station's USB ids, each asked whether it is one.
    std::vector<DeviceCandidate> ListDevices() { return finder_.Survey(); }
    // Sends one report; nothing happens while not connected. Pauses
    // WRITE_PAUSE after a write to pace bursts of commands. True when the
    // station took the report.
    bool WriteReport(const Report& frame);
    // Stops and joins the reader and closes the station. Also run by the destructor.
    void Shutdown();

    std::string DevicePath() const;
    // The opened station's USB serial number (empty where it has none).
    std::string Serial() const;
    // True while the opened station is still among the present interfaces.
    bool StationPresent();
    // Why the last OpenDevice found no usable station (empty when none was present).
    std::string LastOpenError() const;
    // The stations the last OpenDevice had to choose between (when it could
    // not), and the devices it passed over beside the one it opened.
    std::vector<DeviceCandidate> StationsToChooseFrom() const;
    std::vector<std::string> LastOpenNotes() const;
    // True when a read failed on the open station since the last OpenDevice
    // (the station was unplugged or its handle died).
    bool ReaderLost() const { return readerLost_.load(); }
    // A station was opened by the last OpenDevice (it may have gone since).
    bool IsConnected() const { return connected_.load(); }
    // Connected, and neither the reader nor a failed write has seen the station
    // go: what a write that is never answered can be judged by.
    bool StillConnected() const {
        return connected_.load() && !readerLost_.load() && !writeFailed_.load();
    }
    bool ReaderRunning() const { return readerThread_.joinable(); }

private:
    void ReaderThread();
    std::shared_ptr<TransportHandle> ReadHandle() const;
    std::shared_ptr<TransportHandle> WriteHandle() const;
    void Trace(char direction, const Report& data) const;

    Transport& transport_;
    StationFinder finder_;
    ReportReceiver* receiver_ = nullptr;
    TraceFunction trace_;

    mutable std::mutex stateMutex_;  // handles, paths, error text
    std::shared_ptr<TransportHandle> readHandle_;
    std::shared_ptr<TransportHandle> writeHandle_;
    std::string devicePath_;
    std::string serial_;
    std::string lastOpenError_;
    std::vector<DeviceCandidate> severalStations_;
    std::vector<std::string> lastOpenNotes_;

    std::mutex writeMutex_;  // one write at a time on the write handle
    std::mutex traceMutex_;  // a frame's trace line comes before its answer's
    bool firstOpen_ = true;
    ManualResetEvent readEvent_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> readerLost_{false};
    std::atomic<bool> writeFailed_{false};
    std::thread readerThread_;
};

}  // namespace corvalin
