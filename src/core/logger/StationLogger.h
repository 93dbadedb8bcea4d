// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "common/DataFiles.h"
#include "common/ManualResetEvent.h"
#include "logger/CardSync.h"
#include "logger/LoggerClock.h"
#include "logger/ReadingSnapshot.h"
#include "session/StationSession.h"

namespace corvalin {

enum class LogLevel { Error, Warning, Info };
using LogSink = std::function<void(LogLevel, const std::string&)>;

inline constexpr std::chrono::seconds DEFAULT_LOG_INTERVAL{60};
inline constexpr std::chrono::seconds SHORTEST_LOG_INTERVAL{20};
inline constexpr const char* DEFAULT_STATION_NAME = "kv7500";

struct LoggerSettings {
    std::string station = DEFAULT_STATION_NAME;
    std::chrono::seconds interval = DEFAULT_LOG_INTERVAL;
    std::string dataDir;
    CardTimeMode cardTime = CardTimeMode::Computer;
    // Run calls its turn callback at least this often (the watchdog).
    std::chrono::milliseconds longestWait{10000};
};

// Counts for the service's status.
struct LoggerStats {
    uint64_t reads = 0;
    uint64_t readFailures = 0;  // reads without a fresh live answer
    uint64_t rowsArchived = 0;
    uint64_t rowsWaiting = 0;  // taken, not yet written (the archive failed)
    bool connected = false;
    std::chrono::system_clock::time_point lastReading{};
};

// Unattended logging: each interval one read of the live record into the
// archive (a row per channel with a value; nothing when the answer did not
// come), the station looked for again when it goes, and the archive filled
// from the card's logs at the start and after each return. Failures are
// logged and retried; nothing here ends the program.
class StationLogger {
public:
    StationLogger(StationSession& session, LoggerClock& clock, LogSink log);
    ~StationLogger();

    // Takes new settings (at the start, and on reload); a new data folder or
    // station name opens the archive again and syncs the card.
    void Configure(const LoggerSettings& settings);

    // Opens the archive if it is not open yet; whether it is.
    bool OpenArchive();
    // Turns until Stop, then writes what waits (or says how many rows are
    // lost). `onTurn` hears a short status after each turn.
    void Run(const std::function<void(const std::string& status)>& onTurn = {});
    // One turn at the clock's time: find the station, read when due, write
    // what waits, and one slice of the card's sync while one is due.
    void Turn();
    // When the next turn is due.
    LoggerClock::TimePoint NextTurn() const;
    // A turn no later than `when` as well (what a turn's listener waits for);
    // on the logger's thread.
    void WakeBy(std::optional<LoggerClock::TimePoint> when) { wakeBy_ = when; }

    // Any thread.
    void Stop();
    // A device came or went: look at once.
    void DeviceChanged();

    // Hears of each live reading once it is in the archive (or waits for
    // it), on the logger's thread.
    void SetReadingListener(std::function<void(const ReadingSnapshot&)> listener) {
        readingListener_ = std::move(listener);
    }

    LoggerStats Stats() const;
    std::string StatusText() const;

private:
    void EnsureStation(LoggerClock::TimePoint now);
    void SyncCardSlice(LoggerClock::TimePoint now);
    void FinishSync(const CardSyncResult& synced, LoggerClock::TimePoint now);
    void ReadLive(LoggerClock::TimePoint now);
    void WriteWaiting();
    void Say(LogLevel level, const std::string& text);
    // Says a failure once, not again each turn until it changes.
    void SayFailure(std::string& last, const std::string& text);

    StationSession& session_;
    LoggerClock& clock_;
    LogSink log_;
    LoggerSettings settings_;
    std::unique_ptr<ArchiveDatabase> archive_;
    std::unique_ptr<CardSync> sync_;  // the card's sync under way; it uses archive_
    std::string archiveFailure_;
    std::string syncFailure_;
    std::string readFailure_;
    std::string lookFailure_;
    std::vector<ArchiveRow> waiting_;
    std::function<void(const ReadingSnapshot&)> readingListener_;

    bool connected_ = false;
    bool syncDue_ = true;
    bool lookingSaid_ = false;  // "no station" was said since the last one
    LoggerClock::TimePoint nextRead_{};
    LoggerClock::TimePoint nextLook_{};
    LoggerClock::TimePoint nextSync_{};
    std::optional<LoggerClock::TimePoint> wakeBy_;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> deviceChanged_{false};
    ManualResetEvent wake_;
    mutable std::mutex statsMutex_;
    LoggerStats stats_;
};

}  // namespace corvalin
