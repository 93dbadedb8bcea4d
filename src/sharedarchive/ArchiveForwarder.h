// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "archive/ArchiveDatabase.h"
#include "archive/ForwardCursor.h"
#include "common/RetryDelay.h"
#include "common/Wakeup.h"
#include "logger/StationLogger.h"
#include "publish/ServiceState.h"
#include "sharedarchive/ArchiveServer.h"
#include "sharedarchive/PgConnection.h"

namespace corvalin {

struct ForwarderSettings {
    ArchiveServer server;
    std::string archivePath;  // the local archive, whose rows go to the server
    size_t batchRows = 5000;  // rows to a statement while a backlog drains
    // A server that cannot be used is tried again after this, then twice as
    // late each time, up to five minutes.
    std::chrono::milliseconds firstRetry{2000};
};

// Forwards every row of the local archive to the shared archive on a
// PostgreSQL server, in time order from the position the archive keeps for
// that server, which moves on only once the server confirmed the rows. The
// local archive stays the record: while the server is away or refuses, the
// rows wait there; a refusal is said once, with its reason, and tried again
// later and later. Runs on its own thread, asleep until rows are added, the
// server's socket stirs, a retry is due or Stop.
class ArchiveForwarder {
public:
    ArchiveForwarder(ForwarderSettings settings, ServiceStateHolder& state, LogSink log);
    ~ArchiveForwarder();
    ArchiveForwarder(const ArchiveForwarder&) = delete;
    ArchiveForwarder& operator=(const ArchiveForwarder&) = delete;

    void Start();
    // Ends the thread; a statement in flight is abandoned (its rows go again).
    void Stop();
    // Any thread: rows may have been added to the archive.
    void RowsAdded();

    const ForwarderSettings& settings() const { return settings_; }
    // Rows the server confirmed since the start (some it may have had already).
    uint64_t RowsForwarded() const { return rowsForwarded_.load(); }

private:
    using Steady = std::chrono::steady_clock;

    void Run();
    // The steps of one turn, each on the forwarder's thread.
    bool OpenArchive();
    void Connect();
    // One batch; true when more rows wait at once.
    bool ForwardBatch();
    void Drop(const std::string& why);
    void WaitForWork();
    void SayFailure(const std::string& text);
    void Say(LogLevel level, const std::string& text);

    const ForwarderSettings settings_;
    ServiceStateHolder& state_;
    LogSink log_;
    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> rowsForwarded_{0};
    Wakeup wakeup_;  // rows were added
    Wakeup stop_;    // readable once Stop was called: ends any wait on the server

    // The forwarder's thread only.
    std::unique_ptr<ArchiveDatabase> archive_;
    std::unique_ptr<ForwardCursor> cursor_;
    std::unique_ptr<PgConnection> server_;
    Steady::time_point nextConnect_{};
    RetryDelay retry_;
    std::string lastFailure_;
    std::thread thread_;
};

}  // namespace corvalin
