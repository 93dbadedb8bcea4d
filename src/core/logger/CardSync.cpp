// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/CardSync.h"

#include "archive/CardLogRows.h"
#include "common/Messages.h"
#include "common/ZonedTime.h"
#include "history/FileList.h"

namespace corvalin {

namespace {

constexpr int SECONDS_PER_HOUR = 3600;

CardSyncResult Failed(CardSyncResult result, std::string message) {
    result.status = Status::Error(std::move(message));
    return result;
}

}  // namespace

CardSyncResult SyncArchiveFromCard(StationSession& session, ArchiveDatabase& archive,
                                   const CardSyncOptions& options) {
    CardSyncResult result;
    const auto stopped = [&] { return options.stop && options.stop(); };
    if (!session.LastRead().settings) session.ReadStation();
    if (!session.StillConnected()) return Failed(result, messages::UNCONNECTED);
    // Without the settings the dates and times of the lines cannot be read surely.
    if (!session.LastRead().settings) return Failed(result, messages::NO_ANSWER);

    const DateOrder order = session.LogDateOrder();
    WallTimeZone zone = WallTimeZone::Local();
    if (options.timeMode == CardTimeMode::Station) {
        SettingsForm settings;
        session.Load(settings);
        const int hours = settings.timeZone - 12 + (settings.dst ? 1 : 0);
        zone = WallTimeZone::FixedOffset(hours * SECONDS_PER_HOUR);
    }

    // Card rows are as far apart as the station logs: what a gap is depends on it.
    if (const std::optional<int32_t> minutes = session.IntervalMinutes()) {
        archive.SetSetting(STATION_INTERVAL_SETTING, std::to_string(*minutes * 60));
    }

    std::unique_ptr<SdCardClient> card = session.OpenCard(options.dataDir);
    card->RequestFileList();
    if (!session.StillConnected()) return Failed(result, messages::UNCONNECTED);
    if (!card->ListComplete()) {
        return Failed(result, "The card's file list did not come whole; nothing was read.");
    }
    for (const FileEntry& entry : card->listing().Entries()) {
        const std::string name = CardNameText(entry.name);
        const std::optional<int> channel = ChannelOfCardLog(name);
        if (!channel) continue;
        if (stopped()) {
            result.stopped = true;
            return result;
        }
        DownloadCallbacks callbacks;
        callbacks.stop = options.stop;
        const DownloadResult fetched = card->Download(name, callbacks);
        result.bytesFetched += fetched.bytesFetched;
        if (!fetched.ok) {
            result.stopped = fetched.stopped;
            if (fetched.stopped) return result;
            return Failed(result, name + ": " + fetched.message);
        }
        const CardLogOutcome added =
            AddCardLog(archive, {options.station, *channel, name, fetched.localPath}, zone, order,
                       options.stop);
        result.rowsAdded += added.rowsAdded;
        ++result.files;
        if (!added.status) return Failed(result, name + ": " + added.status.message);
        if (options.note) {
            options.note(name + ": " + std::to_string(fetched.bytesFetched) + " bytes fetched, " +
                         std::to_string(added.rowsAdded) + " rows added");
        }
        if (added.stopped) {
            result.stopped = true;
            return result;
        }
    }
    return result;
}

}  // namespace corvalin
