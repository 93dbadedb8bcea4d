// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/DashboardApi.h"

#include "logger/LoggingIntervals.h"
#include "publish/CurrentReadings.h"
#include "summary/DaySummaries.h"
#include "summary/Records.h"
#include "summary/SummaryJson.h"
#include "summary/ValueSeries.h"

namespace corvalin {

namespace {

constexpr int64_t DEFAULT_POINTS = 1000;
constexpr int64_t MOST_POINTS = 10000;
constexpr int READER_CACHE_KIB = 512;

ApiAnswer Ok(const nlohmann::ordered_json& body) {
    return {200, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

ApiAnswer Unavailable(const std::string& failure) { return ApiError(503, failure); }

// The value of a parameter that must be there; the answer to give otherwise.
template <class T>
std::optional<ApiAnswer> Require(const Result<std::optional<T>>& read, const char* name, T& out) {
    if (!read) return ApiError(400, read.error);
    if (!*read.value) return ApiError(400, MissingParameter(name));
    out = **read.value;
    return std::nullopt;
}

}  // namespace

ApiAnswer ApiError(int status, const std::string& message) {
    const nlohmann::json body{{"error", message}};
    return {status, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

DashboardApi::DashboardApi(const ServiceStateHolder& state, std::string archivePath,
                           std::function<int64_t()> now)
    : state_(state), archivePath_(std::move(archivePath)), now_(std::move(now)) {}

DashboardApi::~DashboardApi() = default;

ArchiveDatabase* DashboardApi::Archive(std::string& failure) {
    if (archive_) return archive_.get();
    Result<std::unique_ptr<ArchiveDatabase>> opened = ArchiveDatabase::Open(archivePath_, true);
    if (!opened) {
        failure = opened.error;
        return nullptr;
    }
    archive_ = std::move(*opened.value);
    // Its reads run through a span once: a small cache keeps the logger small.
    archive_->LimitCache(READER_CACHE_KIB);
    return archive_.get();
}

ApiAnswer DashboardApi::Answer(std::string_view name, const QueryParameters& query) {
    if (name == "current") return Current(query);
    if (name == "series") return Series(query);
    if (name == "days") return Days(query);
    if (name == "records") return Records(query);
    return ApiError(404, "No such part of the API: /api/v1/" + std::string(name.substr(0, 40)) +
                             " (current, series, days, records)");
}

ApiAnswer DashboardApi::Current(const QueryParameters& query) {
    if (const Result<ApiParameters> read = ApiParameters::Read(query, {}); !read) {
        return ApiError(400, read.error);
    }
    std::string failure;
    ArchiveDatabase* archive = Archive(failure);
    return Ok(CurrentJson(state_.Get(), now_(), archive));
}

ApiAnswer DashboardApi::Series(const QueryParameters& query) {
    const Result<ApiParameters> read =
        ApiParameters::Read(query, {"channel", "quantity", "from", "to", "points"});
    if (!read) return ApiError(400, read.error);
    const ApiParameters& parameters = *read;
    SeriesQuery series;
    if (auto bad = Require(parameters.Channel("channel"), "channel", series.channel)) return *bad;
    if (auto bad = Require(parameters.QuantityOf("quantity"), "quantity", series.quantity)) {
        return *bad;
    }
    if (auto bad = Require(parameters.Instant("from"), "from", series.from)) return *bad;
    if (auto bad = Require(parameters.Instant("to"), "to", series.to)) return *bad;
    const Result<std::optional<int64_t>> points = parameters.Count("points", 1, MOST_POINTS);
    if (!points) return ApiError(400, points.error);
    series.points = points.value->value_or(DEFAULT_POINTS);
    if (series.to <= series.from) return ApiError(400, "to: must come after from");
    std::string failure;
    ArchiveDatabase* archive = Archive(failure);
    if (!archive) return Unavailable(failure);
    series.station = state_.Get().station;
    series.longestStep = 2 * LongestLoggingInterval(*archive);
    const Result<ValueSeries> values = ReadSeries(*archive, series);
    if (!values) return Unavailable(values.error);
    return Ok(SeriesJson(series.channel, series.quantity, *values));
}

ApiAnswer DashboardApi::Days(const QueryParameters& query) {
    const Result<ApiParameters> read = ApiParameters::Read(query, {"from", "to", "channel"});
    if (!read) return ApiError(400, read.error);
    DayQuery days;
    days.station = state_.Get().station;
    if (auto bad = Require(read->Date("from"), "from", days.from)) return *bad;
    if (auto bad = Require(read->Date("to"), "to", days.to)) return *bad;
    const Result<std::optional<int>> channel = read->Channel("channel");
    if (!channel) return ApiError(400, channel.error);
    if (*channel.value) days.channels = {**channel.value};
    if (DaysSinceEpoch(days.to) < DaysSinceEpoch(days.from)) {
        return ApiError(400, "to: must not come before from");
    }
    std::string failure;
    ArchiveDatabase* archive = Archive(failure);
    if (!archive) return Unavailable(failure);
    const Result<std::vector<DaySummary>> summaries = SummarizeDays(*archive, days);
    if (!summaries) return Unavailable(summaries.error);
    return Ok(DaysJson(days.station, *summaries));
}

ApiAnswer DashboardApi::Records(const QueryParameters& query) {
    const Result<ApiParameters> read = ApiParameters::Read(query, {"channel"});
    if (!read) return ApiError(400, read.error);
    const Result<std::optional<int>> channel = read->Channel("channel");
    if (!channel) return ApiError(400, channel.error);
    std::string failure;
    ArchiveDatabase* archive = Archive(failure);
    if (!archive) return Unavailable(failure);
    const std::string station = state_.Get().station;
    std::vector<int> channels;
    if (*channel.value) channels = {**channel.value};
    const Result<std::vector<ChannelRecords>> records = ReadRecords(*archive, station, channels);
    if (!records) return Unavailable(records.error);
    return Ok(RecordsJson(station, *records));
}

}  // namespace corvalin
