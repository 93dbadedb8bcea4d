// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/CurrentReadings.h"

#include <algorithm>

#include "common/ZonedTime.h"
#include "logger/StationAlarmCheck.h"
#include "summary/DaySummaries.h"
#include "summary/SummaryJson.h"

namespace corvalin {

namespace {

using Json = nlohmann::ordered_json;

Json TimeOrNull(const std::optional<int64_t>& time) {
    return time ? Json(IsoTime(*time)) : Json(nullptr);
}

// The reading to show: the latest one, while the station is there and it is
// not older than a few intervals.
const ReadingSnapshot* CurrentReading(const ServiceState& state, int64_t now) {
    if (!state.stationConnected || !state.last) return nullptr;
    if (now - state.last->time > CURRENT_FOR_INTERVALS * std::max<int64_t>(state.interval, 1)) {
        return nullptr;
    }
    return &*state.last;
}

const ArchiveRow* RowOf(const ReadingSnapshot* reading, int channel) {
    if (!reading) return nullptr;
    for (const ArchiveRow& row : reading->rows) {
        if (row.channel == channel) return &row;
    }
    return nullptr;
}

// Today's summary of every channel; none where the archive cannot say.
std::vector<DaySummary> Today(ArchiveDatabase* archive, const std::string& station,
                              const CivilTime& today) {
    if (!archive) return {};
    const Result<std::vector<DaySummary>> days =
        SummarizeDays(*archive, {station, today, today, {}, true});
    return days ? *days : std::vector<DaySummary>{};
}

Json AlarmJson(const ReadingSnapshot* reading, const ArchiveRow* row) {
    if (!reading || !row || !reading->alarms) return nullptr;
    const ChannelAlarms crossed = CheckAlarms(*reading->alarms, *row);
    return Json{{"temperature", crossed.temperature ? "ON" : "OFF"},
                {"humidity", crossed.humidity ? "ON" : "OFF"}};
}

Json ChannelJson(int channel, const ReadingSnapshot* reading, const std::string& station,
                 ArchiveDatabase* archive, const DaySummary* today) {
    ChannelState state = ChannelState::StationLost;
    if (reading) {
        state =
            reading->sensorPresent[channel - 1] ? ChannelState::Reading : ChannelState::NoSensor;
    }
    const ArchiveRow* row = state == ChannelState::Reading ? RowOf(reading, channel) : nullptr;
    std::optional<int64_t> lastSeen;
    if (row) {
        lastSeen = row->time;
    } else if (archive) {
        lastSeen = archive->NewestTime(station, channel);
    }
    Json item{{"channel", channel},
              {"state", ChannelStateName(state)},
              {"lastSeen", TimeOrNull(lastSeen)}};
    for (Quantity quantity : ALL_QUANTITIES) {
        const std::optional<double> value = row ? QuantityValue(*row, quantity) : std::nullopt;
        item[QuantityKey(quantity)] = value ? Json(*value) : Json(nullptr);
    }
    item["todayMin"] = DayExtremesJson(today, false);
    item["todayMax"] = DayExtremesJson(today, true);
    item["alarm"] = AlarmJson(reading, row);
    return item;
}

}  // namespace

const char* ChannelStateName(ChannelState state) {
    switch (state) {
        case ChannelState::Reading:
            return "ok";
        case ChannelState::NoSensor:
            return "noSensor";
        case ChannelState::StationLost:
            return "stationLost";
    }
    return "stationLost";
}

Json CurrentJson(const ServiceState& state, int64_t now, ArchiveDatabase* archive) {
    const ReadingSnapshot* reading = CurrentReading(state, now);
    const CivilTime today = LocalDate(now);
    const std::vector<DaySummary> days = Today(archive, state.station, today);
    Json channels = Json::array();
    for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
        const auto found = std::find_if(days.begin(), days.end(), [&](const DaySummary& day) {
            return day.channel == channel;
        });
        channels.push_back(ChannelJson(channel, reading, state.station, archive,
                                       found == days.end() ? nullptr : &*found));
    }
    return Json{{"station", state.station},
                {"time", TimeOrNull(state.last ? std::optional(state.last->time) : std::nullopt)},
                {"connected", state.stationConnected},
                {"interval", state.interval},
                {"today", DateText(today)},
                {"channels", std::move(channels)}};
}

}  // namespace corvalin
