// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/DaySummaries.h"

#include <algorithm>
#include <map>
#include <utility>

#include "common/Readings.h"
#include "common/ZonedTime.h"

namespace corvalin {

namespace {

// The local day an instant falls in, remembering the last one: rows and
// hours come in time order, so most fall in the day before them.
class DayFinder {
public:
    struct Day {
        int64_t number = 0;  // days since 1970-01-01
        UtcSpan span;
    };

    const Day& At(int64_t time) {
        if (!found_ || time < day_.span.from || time >= day_.span.to) {
            const CivilTime date = LocalDate(time);
            day_ = {DaysSinceEpoch(date), LocalDaySpan(date)};
            found_ = true;
        }
        return day_;
    }

private:
    bool found_ = false;
    Day day_;
};

class DayTable {
public:
    DayTable(const DayQuery& query) : every_(query.everyQuantity) {}

    DaySummary& Of(int64_t dayNumber, int channel) {
        DaySummary& day = days_[{dayNumber, channel}];
        day.date = CivilFromDays(dayNumber);
        day.channel = channel;
        return day;
    }

    void AddRow(const ArchiveRow& row, int64_t dayNumber) {
        DaySummary& day = Of(dayNumber, row.channel);
        for (Quantity quantity : ALL_QUANTITIES) {
            if (!every_ && quantity != Quantity::Temperature && quantity != Quantity::Humidity) {
                continue;
            }
            if (const std::optional<double> value = QuantityValue(row, quantity)) {
                day.quantities[static_cast<size_t>(quantity)].Add(*value, row.time);
            }
        }
    }

    void AddHour(const HourSummary& hour, int64_t dayNumber) {
        DaySummary& day = Of(dayNumber, hour.channel);
        day.quantities[static_cast<size_t>(Quantity::Temperature)].Merge(hour.temperature);
        day.quantities[static_cast<size_t>(Quantity::Humidity)].Merge(hour.humidity);
    }

    std::vector<DaySummary> Days() const {
        std::vector<DaySummary> days;
        days.reserve(days_.size());
        for (const auto& [key, day] : days_) days.push_back(day);
        return days;
    }

private:
    bool every_;
    std::map<std::pair<int64_t, int>, DaySummary> days_;  // by day, then channel
};

// The channels' rows of the span, each to its day.
Status AddRows(const ArchiveRowReader& read, const std::string& station,
               const std::vector<int>& channels, UtcSpan span, DayFinder& finder, DayTable& table) {
    ArchiveQuery rows;
    rows.station = station;
    rows.from = span.from;
    rows.to = span.to - 1;
    rows.channels = channels;
    return read(rows, [&](const ArchivedRow& stored) {
        table.AddRow(stored.row, finder.At(stored.row.time).number);
        return true;
    });
}

// Whole hours inside a day come from their summaries; an hour that a day's
// start cuts (zones half an hour off UTC, or the span's ends) from its rows.
Status AddFromHours(ArchiveDatabase& archive, const std::string& station, int channel, UtcSpan span,
                    DayFinder& finder, DayTable& table) {
    std::vector<int64_t> cutHours;
    Status read = archive.ReadHours(station, channel, HourOf(span.from), span.to,
                                    [&](const HourSummary& hour) {
                                        const int64_t end = hour.hour + SUMMARY_HOUR;
                                        if (hour.hour >= span.from && end <= span.to) {
                                            const DayFinder::Day& day = finder.At(hour.hour);
                                            if (end <= day.span.to) {
                                                table.AddHour(hour, day.number);
                                                return;
                                            }
                                        }
                                        cutHours.push_back(hour.hour);
                                    });
    for (size_t i = 0; read && i < cutHours.size(); ++i) {
        const UtcSpan part{std::max(cutHours[i], span.from),
                           std::min(cutHours[i] + SUMMARY_HOUR, span.to)};
        read = AddRows(ReaderOf(archive), station, {channel}, part, finder, table);
    }
    return read;
}

// The channels asked for; every one where none are named.
std::vector<int> ChannelsOf(const DayQuery& query) {
    std::vector<int> channels = query.channels;
    if (channels.empty()) {
        for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) channels.push_back(channel);
    }
    return channels;
}

// The span of the query's days; the error when the first comes after the last.
Result<UtcSpan> SpanOf(const DayQuery& query) {
    if (DaysSinceEpoch(query.from) > DaysSinceEpoch(query.to)) {
        return Result<UtcSpan>::Fail("The first day " + DateText(query.from) +
                                     " comes after the last day " + DateText(query.to));
    }
    return Result<UtcSpan>::Of({LocalDaySpan(query.from).from, LocalDaySpan(query.to).to});
}

}  // namespace

Result<std::vector<DaySummary>> SummarizeDays(ArchiveDatabase& archive, const DayQuery& query) {
    using R = Result<std::vector<DaySummary>>;
    if (query.everyQuantity || !archive.HasSummaries())
        return SummarizeDays(ReaderOf(archive), query);
    const Result<UtcSpan> span = SpanOf(query);
    if (!span) return R::Fail(span.error);
    DayFinder finder;
    DayTable table(query);
    for (int channel : ChannelsOf(query)) {
        const Status read = AddFromHours(archive, query.station, channel, *span, finder, table);
        if (!read) return R::Fail(read.message);
    }
    return R::Of(table.Days());
}

Result<std::vector<DaySummary>> SummarizeDays(const ArchiveRowReader& read, const DayQuery& query) {
    using R = Result<std::vector<DaySummary>>;
    const Result<UtcSpan> span = SpanOf(query);
    if (!span) return R::Fail(span.error);
    DayFinder finder;
    DayTable table(query);
    // A channel at a time: the archives' keys lead with it, so a day is a
    // range of each, where all channels at once would read every row.
    for (int channel : ChannelsOf(query)) {
        const Status added = AddRows(read, query.station, {channel}, *span, finder, table);
        if (!added) return R::Fail(added.message);
    }
    return R::Of(table.Days());
}

}  // namespace corvalin
