// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/CardSync.h"

#include <atomic>

#include "archive/CardLogRows.h"
#include "common/Messages.h"
#include "history/FileList.h"

namespace corvalin {

namespace {

constexpr int SECONDS_PER_HOUR = 3600;
// What one slice fetches at most: 16 chunks, about a second of reports.
constexpr uint64_t SLICE_BYTES = 16 * 4096;

std::string Kilobytes(uint64_t bytes) { return std::to_string((bytes + 512) / 1024); }

}  // namespace

CardSync::CardSync(StationSession& session, ArchiveDatabase& archive, CardSyncOptions options)
    : session_(session), archive_(archive), options_(std::move(options)) {}

CardSync::~CardSync() = default;

bool CardSync::Fail(std::string message) {
    result_.status = Status::Error(std::move(message));
    phase_ = Phase::Done;
    return false;
}

bool CardSync::Stopped() {
    if (!options_.stop || !options_.stop()) return false;
    result_.stopped = true;
    phase_ = Phase::Done;
    return true;
}

bool CardSync::Step() {
    sliceBytes_ = 0;
    // A slice goes on through small logs until it has fetched its share.
    while (phase_ != Phase::Done && sliceBytes_ < SLICE_BYTES) {
        if (Stopped()) return false;
        bool goOn = false;
        switch (phase_) {
            case Phase::Start:
                goOn = Start();
                break;
            case Phase::List:
                goOn = List();
                break;
            case Phase::Fetch:
                goOn = Fetch();
                break;
            case Phase::Add:
                goOn = AddLines();
                break;
            case Phase::Done:
                break;
        }
        if (!goOn) break;
    }
    return phase_ != Phase::Done;
}

bool CardSync::Start() {
    if (!session_.LastRead().settings) session_.ReadStation();
    if (!session_.StillConnected()) return Fail(messages::UNCONNECTED);
    // Without the settings the dates and times of the lines cannot be read surely.
    if (!session_.LastRead().settings) return Fail(messages::NO_ANSWER);
    order_ = session_.LogDateOrder();
    if (options_.timeMode == CardTimeMode::Station) {
        SettingsForm settings;
        session_.Load(settings);
        const int hours = settings.timeZone - 12 + (settings.dst ? 1 : 0);
        zone_ = WallTimeZone::FixedOffset(hours * SECONDS_PER_HOUR);
    }
    // Card rows are as far apart as the station logs: what a gap is depends on it.
    if (const std::optional<int32_t> minutes = session_.IntervalMinutes()) {
        archive_.SetSetting(STATION_INTERVAL_SETTING, std::to_string(*minutes * 60));
    }
    phase_ = Phase::List;
    return true;
}

bool CardSync::List() {
    card_ = session_.OpenCard(options_.dataDir);
    card_->RequestFileList();
    if (!session_.StillConnected()) return Fail(messages::UNCONNECTED);
    if (!card_->ListComplete()) {
        return Fail("The card's file list did not come whole; nothing was read.");
    }
    for (const FileEntry& entry : card_->listing().Entries()) {
        const std::string name = CardNameText(entry.name);
        if (const std::optional<int> channel = ChannelOfCardLog(name)) {
            logs_.push_back({name, *channel, entry.size});
        } else {
            result_.skipped.push_back(name + " (not a log of CH1 to CH8)");
        }
    }
    phase_ = logs_.empty() ? Phase::Done : Phase::Fetch;
    return true;
}

bool CardSync::Fetch() {
    const std::string& name = logs_[next_].name;
    std::atomic<uint64_t> received{0};
    DownloadCallbacks callbacks;
    callbacks.progress = [&received](uint64_t bytes, uint64_t) { received = bytes; };
    // Asked between chunks, where a stop keeps every chunk that came; during
    // one the received bytes are still below the slice's share.
    const uint64_t share = SLICE_BYTES - sliceBytes_;
    callbacks.stop = [&] { return received >= share || (options_.stop && options_.stop()); };
    const DownloadResult fetched = card_->Download(name, callbacks);
    result_.bytesFetched += fetched.bytesFetched;
    logFetched_ += fetched.bytesFetched;
    sliceBytes_ += fetched.bytesFetched;
    if (fetched.stopped) return !Stopped();  // the next slice goes on from here
    if (!fetched.ok) return Fail(name + ": " + fetched.message);
    localPath_ = fetched.localPath;
    phase_ = Phase::Add;
    return true;
}

bool CardSync::AddLines() {
    const Log& log = logs_[next_];
    // One batch of lines a slice: the position moves with each batch.
    const CardLogOutcome added =
        AddCardLog(archive_, {options_.station, log.channel, log.name, localPath_}, zone_, order_,
                   [] { return true; });
    result_.rowsAdded += added.rowsAdded;
    logRowsAdded_ += added.rowsAdded;
    if (!added.status) return Fail(log.name + ": " + added.status.message);
    if (added.stopped) return false;  // more lines wait for the next slice
    ++result_.files;
    if (options_.note) {
        options_.note(log.name + ": " + std::to_string(logFetched_) + " bytes fetched, " +
                      std::to_string(logRowsAdded_) + " rows added");
    }
    logFetched_ = 0;
    logRowsAdded_ = 0;
    ++next_;
    phase_ = next_ < logs_.size() ? Phase::Fetch : Phase::Done;
    return true;
}

std::string CardSync::Progress() const {
    switch (phase_) {
        case Phase::Start:
        case Phase::List:
            return "asking the card for its logs";
        case Phase::Fetch:
        case Phase::Add: {
            const Log& log = logs_[next_];
            return log.name + " (" + std::to_string(next_ + 1) + " of " +
                   std::to_string(logs_.size()) + "): " + Kilobytes(logFetched_) +
                   " kB fetched of at most " + Kilobytes(log.size) + " kB, " +
                   std::to_string(logRowsAdded_) + " rows added";
        }
        case Phase::Done:
            break;
    }
    return "done";
}

CardSyncResult SyncArchiveFromCard(StationSession& session, ArchiveDatabase& archive,
                                   const CardSyncOptions& options) {
    CardSync sync(session, archive, options);
    while (sync.Step()) {
    }
    return sync.Result();
}

}  // namespace corvalin
