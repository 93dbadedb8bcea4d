// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/SummaryJson.h"

#include <cmath>

#include "archive/CsvText.h"
#include "common/ZonedTime.h"

namespace corvalin {

namespace {

using Json = nlohmann::ordered_json;

// The quantities a day's table has: the hour summaries keep these two.
constexpr Quantity DAY_QUANTITIES[] = {Quantity::Temperature, Quantity::Humidity};

std::optional<double> RoundedMean(const QuantityStats& stats) {
    const std::optional<double> mean = stats.Mean();
    if (!mean) return std::nullopt;
    return std::round(*mean * 100) / 100;
}

Json Number(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

Json Time(const Extremes& extremes, int64_t time) {
    return extremes.any ? Json(IsoTime(time)) : Json(nullptr);
}

std::optional<double> Lowest(const Extremes& e) {
    return e.any ? std::optional<double>(e.lowest) : std::nullopt;
}
std::optional<double> Highest(const Extremes& e) {
    return e.any ? std::optional<double>(e.highest) : std::nullopt;
}

Json DayQuantityJson(const QuantityStats& stats) {
    const Extremes& e = stats.extremes;
    return Json{{"min", Number(Lowest(e))},
                {"minTime", Time(e, e.lowestTime)},
                {"max", Number(Highest(e))},
                {"maxTime", Time(e, e.highestTime)},
                {"mean", Number(RoundedMean(stats))}};
}

Json RecordJson(const Extremes& e) {
    return Json{{"highest", Number(Highest(e))},
                {"highestTime", Time(e, e.highestTime)},
                {"lowest", Number(Lowest(e))},
                {"lowestTime", Time(e, e.lowestTime)}};
}

std::string TimeCell(const Extremes& e, int64_t time) { return e.any ? IsoTime(time) : ""; }

}  // namespace

Json DaysJson(const std::string& station, const std::vector<DaySummary>& days) {
    Json list = Json::array();
    for (const DaySummary& day : days) {
        Json item{{"date", DateText(day.date)}, {"channel", day.channel}};
        for (Quantity quantity : DAY_QUANTITIES) {
            item[QuantityKey(quantity)] = DayQuantityJson(day.Of(quantity));
        }
        list.push_back(std::move(item));
    }
    return Json{{"station", station}, {"days", std::move(list)}};
}

void WriteDaysCsv(std::ostream& out, const std::string& station,
                  const std::vector<DaySummary>& days) {
    out << "station,date,channel";
    for (Quantity quantity : DAY_QUANTITIES) {
        const std::string name = QuantityField(quantity);
        const std::string unit = QuantityUnitName(quantity);
        out << ',' << name << "_min_" << unit << ',' << name << "_min_time," << name << "_max_"
            << unit << ',' << name << "_max_time," << name << "_mean_" << unit;
    }
    out << '\n';
    for (const DaySummary& day : days) {
        out << CsvCell(station) << ',' << DateText(day.date) << ',' << day.channel;
        for (Quantity quantity : DAY_QUANTITIES) {
            const QuantityStats& stats = day.Of(quantity);
            const Extremes& e = stats.extremes;
            out << ',' << CsvValue(Lowest(e)) << ',' << TimeCell(e, e.lowestTime) << ','
                << CsvValue(Highest(e)) << ',' << TimeCell(e, e.highestTime) << ','
                << CsvValue(RoundedMean(stats));
        }
        out << '\n';
    }
}

Json RecordsJson(const std::string& station, const std::vector<ChannelRecords>& records) {
    Json list = Json::array();
    for (const ChannelRecords& channel : records) {
        Json item{{"channel", channel.channel}};
        for (size_t i = 0; i < QUANTITY_COUNT; ++i) {
            item[QuantityKey(ALL_QUANTITIES[i])] = RecordJson(channel.quantities[i]);
        }
        list.push_back(std::move(item));
    }
    return Json{{"station", station}, {"records", std::move(list)}};
}

void WriteRecordsCsv(std::ostream& out, const std::string& station,
                     const std::vector<ChannelRecords>& records) {
    out << "station,channel";
    for (Quantity quantity : ALL_QUANTITIES) {
        const std::string name = QuantityField(quantity);
        const std::string unit = QuantityUnitName(quantity);
        out << ',' << name << "_highest_" << unit << ',' << name << "_highest_time," << name
            << "_lowest_" << unit << ',' << name << "_lowest_time";
    }
    out << '\n';
    for (const ChannelRecords& channel : records) {
        out << CsvCell(station) << ',' << channel.channel;
        for (const Extremes& e : channel.quantities) {
            out << ',' << CsvValue(Highest(e)) << ',' << TimeCell(e, e.highestTime) << ','
                << CsvValue(Lowest(e)) << ',' << TimeCell(e, e.lowestTime);
        }
        out << '\n';
    }
}

Json SeriesJson(int channel, Quantity quantity, const ValueSeries& series) {
    Json rows = Json::array();
    for (const SeriesPoint& point : series.points) {
        std::optional<double> mean = point.mean;
        if (mean) mean = std::round(*mean * 100) / 100;
        rows.push_back(Json{{"time", IsoTime(point.time)},
                            {"min", Number(point.lowest)},
                            {"max", Number(point.highest)},
                            {"mean", Number(mean)}});
    }
    return Json{{"channel", channel},
                {"quantity", QuantityKey(quantity)},
                {"bucketSeconds", series.bucketSeconds},
                {"rows", std::move(rows)}};
}

Json DayExtremesJson(const DaySummary* day, bool highest) {
    Json extremes = Json::object();
    for (Quantity quantity : ALL_QUANTITIES) {
        const std::string key = QuantityKey(quantity);
        Extremes e;
        if (day) e = day->Of(quantity).extremes;
        extremes[key] = Number(highest ? Highest(e) : Lowest(e));
        extremes[key + "Time"] = Time(e, highest ? e.highestTime : e.lowestTime);
    }
    return extremes;
}

}  // namespace corvalin
