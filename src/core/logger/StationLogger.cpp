// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/StationLogger.h"

#include <algorithm>
#include <filesystem>

#include "archive/LiveRows.h"
#include "common/ZonedTime.h"
#include "logger/SessionSnapshot.h"

namespace corvalin {

namespace {

using Clock = LoggerClock;
// While the station is away it is looked for this often; an arrival the
// session hears of is looked at at once.
constexpr std::chrono::seconds LOOK_AGAIN{2};
// A card sync that failed is tried again after this long.
constexpr std::chrono::minutes SYNC_AGAIN{10};
// Rows kept while the archive cannot be written: a day of all channels at
// the shortest interval, and more.
constexpr size_t MAX_WAITING_ROWS = 100000;

int64_t UtcSeconds(Clock::TimePoint time) {
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

}  // namespace

StationLogger::StationLogger(StationSession& session, LoggerClock& clock, LogSink log)
    : session_(session), clock_(clock), log_(std::move(log)) {}

StationLogger::~StationLogger() = default;

void StationLogger::Say(LogLevel level, const std::string& text) {
    if (log_) log_(level, text);
}

void StationLogger::SayFailure(std::string& last, const std::string& text) {
    if (text == last) return;
    last = text;
    Say(LogLevel::Warning, text);
}

void StationLogger::Configure(const LoggerSettings& settings) {
    const bool newArchive =
        settings.dataDir != settings_.dataDir || settings.station != settings_.station;
    const bool newInterval = settings.interval != settings_.interval;
    settings_ = settings;
    settings_.interval = std::max(settings_.interval, SHORTEST_LOG_INTERVAL);
    if (newArchive) {
        WriteWaiting();
        sync_.reset();
        archive_.reset();
        archiveFailure_.clear();
        syncDue_ = true;
        nextSync_ = {};
    }
    if (newInterval) nextRead_ = {};
}

bool StationLogger::OpenArchive() {
    if (archive_) return true;
    std::error_code error;
    std::filesystem::create_directories(settings_.dataDir, error);
    const std::string path =
        (std::filesystem::path(settings_.dataDir) / ARCHIVE_DATABASE_FILE).string();
    Result<std::unique_ptr<ArchiveDatabase>> opened = ArchiveDatabase::Open(path);
    if (!opened) {
        SayFailure(archiveFailure_, opened.error + "; trying again");
        return false;
    }
    archive_ = std::move(*opened.value);
    archiveFailure_.clear();
    archive_->SetSetting(LOGGER_INTERVAL_SETTING, std::to_string(settings_.interval.count()));
    Say(LogLevel::Info, "Archive " + path);
    return true;
}

void StationLogger::EnsureStation(Clock::TimePoint now) {
    if (session_.IsConnected() && session_.StillConnected()) {
        if (!connected_) {
            connected_ = true;
            syncDue_ = true;
            Say(LogLevel::Info, "Logging the " + session_.Description());
        }
        return;
    }
    if (connected_) {
        connected_ = false;
        sync_.reset();  // a new one starts when the station is back
        Say(LogLevel::Warning, "The station was lost; looking for it");
        lookingSaid_ = true;
    }
    if (!deviceChanged_.exchange(false) && now < nextLook_) return;
    nextLook_ = now + LOOK_AGAIN;
    session_.CheckForDeviceChange();
    if (!session_.IsConnected()) {
        // Several stations and none chosen are named, each new set once; no
        // station at all is said once, and looked for again and again.
        const std::string why = session_.OpenError();
        if (!session_.StationsToChooseFrom().empty()) {
            SayFailure(lookFailure_, why);
        } else if (!lookingSaid_) {
            lookingSaid_ = true;
            Say(LogLevel::Warning, "No station found" + (why.empty() ? "" : " (" + why + ")") +
                                       "; looking for one every " +
                                       std::to_string(LOOK_AGAIN.count()) +
                                       " s and at each plug-in");
        }
        return;
    }
    connected_ = true;
    syncDue_ = true;
    nextSync_ = {};
    lookFailure_.clear();
    lookingSaid_ = false;
    Say(LogLevel::Info, "Logging the " + session_.Description());
    for (const std::string& note : session_.OpenNotes()) Say(LogLevel::Warning, note);
}

void StationLogger::SyncCardSlice(Clock::TimePoint now) {
    if (!connected_ || !archive_) return;
    if (!sync_) {
        if (!syncDue_ || now < nextSync_) return;
        CardSyncOptions options;
        options.station = settings_.station;
        options.dataDir = settings_.dataDir;
        options.timeMode = settings_.cardTime;
        options.stop = [this] { return stopping_.load(); };
        sync_ = std::make_unique<CardSync>(session_, *archive_, options);
    }
    if (sync_->Step()) return;  // more slices follow, between live reads
    const CardSyncResult synced = sync_->Result();
    sync_.reset();
    FinishSync(synced, now);
}

void StationLogger::FinishSync(const CardSyncResult& synced, Clock::TimePoint now) {
    if (synced.stopped) return;
    if (!synced.status) {
        nextSync_ = now + SYNC_AGAIN;
        SayFailure(syncFailure_, "The card was not synced: " + synced.status.message);
        return;
    }
    syncDue_ = false;
    syncFailure_.clear();
    std::string skipped;
    for (const std::string& file : synced.skipped) skipped += (skipped.empty() ? "" : ", ") + file;
    Say(LogLevel::Info, "Card synced: " + std::to_string(synced.files) + " logs, " +
                            std::to_string(synced.bytesFetched) + " bytes fetched, " +
                            std::to_string(synced.rowsAdded) + " rows added" +
                            (skipped.empty() ? "" : "; skipped " + skipped));
}

void StationLogger::ReadLive(Clock::TimePoint now) {
    if (now < nextRead_) return;
    // The next read keeps to the interval's steps, skipping those missed.
    if (nextRead_ == Clock::TimePoint{}) nextRead_ = now;
    while (nextRead_ <= now) nextRead_ += settings_.interval;
    if (!connected_) return;

    const ReadCycleAnswers answers = session_.ReadStation();
    {
        std::lock_guard<std::mutex> guard(statsMutex_);
        ++stats_.reads;
        if (!answers.live || !session_.StillConnected()) ++stats_.readFailures;
    }
    if (!session_.StillConnected()) return;  // the next turn notices
    if (!answers.live) {
        SayFailure(readFailure_, "The station did not answer the live read; no rows this time");
        return;
    }
    readFailure_.clear();
    std::vector<ArchiveRow> rows = RowsFromLiveReadings(session_.Readings(), UtcSeconds(now));
    if (waiting_.size() + rows.size() > MAX_WAITING_ROWS) {
        const size_t drop = waiting_.size() + rows.size() - MAX_WAITING_ROWS;
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(
                                                                std::min(drop, waiting_.size())));
        Say(LogLevel::Error, "The archive has not been writable for long; the oldest " +
                                 std::to_string(drop) + " waiting rows are dropped");
    }
    waiting_.insert(waiting_.end(), rows.begin(), rows.end());
    {
        std::lock_guard<std::mutex> guard(statsMutex_);
        stats_.lastReading = now;
    }
    WriteWaiting();
    if (readingListener_) readingListener_(SnapshotOfLastRead(session_, answers, UtcSeconds(now)));
}

void StationLogger::WriteWaiting() {
    if (waiting_.empty() || !archive_) return;
    const Result<int64_t> added = archive_->Add(settings_.station, waiting_);
    if (!added) {
        SayFailure(archiveFailure_, added.error + "; " + std::to_string(waiting_.size()) +
                                        " rows wait for the next try");
        return;
    }
    archiveFailure_.clear();
    waiting_.clear();
    std::lock_guard<std::mutex> guard(statsMutex_);
    stats_.rowsArchived += static_cast<uint64_t>(*added);
}

void StationLogger::Turn() {
    const Clock::TimePoint now = clock_.Now();
    OpenArchive();
    EnsureStation(now);
    ReadLive(now);
    WriteWaiting();
    SyncCardSlice(now);
    std::lock_guard<std::mutex> guard(statsMutex_);
    stats_.connected = connected_;
    stats_.rowsWaiting = waiting_.size();
}

Clock::TimePoint StationLogger::NextTurn() const {
    const Clock::TimePoint now = clock_.Now();
    Clock::TimePoint next = std::min(nextRead_, now + settings_.longestWait);
    if (wakeBy_) next = std::min(next, *wakeBy_);
    if (!connected_) next = std::min(next, nextLook_);
    if (sync_) return now;  // the next slice at once
    if (syncDue_ && connected_) next = std::min(next, nextSync_);
    return std::max(next, now);
}

void StationLogger::Run(const std::function<void(const std::string&)>& onTurn) {
    while (!stopping_) {
        wake_.Reset();
        Turn();
        if (onTurn) {
            onTurn(StatusText() + (sync_ ? "; syncing the card: " + sync_->Progress() : ""));
        }
        if (stopping_) break;
        clock_.WaitUntil(NextTurn(), wake_);
    }
    sync_.reset();
    WriteWaiting();
    if (!waiting_.empty()) {
        Say(LogLevel::Error, std::to_string(waiting_.size()) +
                                 " rows could not be written to the archive before the stop; "
                                 "they are lost");
    }
}

void StationLogger::Stop() {
    stopping_ = true;
    wake_.Set();
}

void StationLogger::DeviceChanged() {
    deviceChanged_ = true;
    wake_.Set();
}

LoggerStats StationLogger::Stats() const {
    std::lock_guard<std::mutex> guard(statsMutex_);
    return stats_;
}

std::string StationLogger::StatusText() const {
    const LoggerStats stats = Stats();
    std::string text = stats.connected ? "Logging" : "Waiting for the station";
    text += "; " + std::to_string(stats.rowsArchived) + " rows archived";
    if (stats.lastReading != Clock::TimePoint{}) {
        text += ", last reading " + IsoTime(UtcSeconds(stats.lastReading));
    }
    if (stats.rowsWaiting > 0) text += ", " + std::to_string(stats.rowsWaiting) + " waiting";
    return text;
}

}  // namespace corvalin
