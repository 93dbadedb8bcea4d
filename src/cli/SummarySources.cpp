// SPDX-License-Identifier: GPL-3.0-or-later
#include "SummarySources.h"

#include <algorithm>

#include "common/Readings.h"
#include "sharedarchive/SharedArchiveRows.h"

namespace corvalin::cli {

namespace {

class LocalSource : public SummarySource {
public:
    LocalSource(CommandContext& context, std::unique_ptr<ArchiveDatabase> archive)
        : context_(context), archive_(std::move(archive)) {}

    std::string Holder() const override { return "The archive"; }

    Result<std::vector<std::string>> Stations() override {
        return Result<std::vector<std::string>>::Of(archive_->Stations());
    }

    Result<std::optional<std::pair<int64_t, int64_t>>> ArchivedTimes(
        const std::string& station, const std::vector<int>& channels) override {
        std::optional<int64_t> first;
        std::optional<int64_t> last;
        for (int channel = 1; channel <= CHANNEL_COUNT; ++channel) {
            if (!channels.empty() &&
                std::find(channels.begin(), channels.end(), channel) == channels.end()) {
                continue;
            }
            if (const auto oldest = archive_->OldestTime(station, channel)) {
                first = std::min(first.value_or(*oldest), *oldest);
            }
            if (const auto newest = archive_->NewestTime(station, channel)) {
                last = std::max(last.value_or(*newest), *newest);
            }
        }
        using R = Result<std::optional<std::pair<int64_t, int64_t>>>;
        if (!first) return R::Of(std::nullopt);
        return R::Of(std::pair{*first, *last});
    }

    Result<std::vector<DaySummary>> Days(const DayQuery& query) override {
        return SummarizeDays(*archive_, query);
    }

    Result<std::vector<ChannelRecords>> Records(const std::string& station,
                                                const std::vector<int>& channels) override {
        return ReadRecords(*archive_, station, channels);
    }

    int Failed(const std::string& error) override {
        context_.console.err << error << "\n";
        return EXIT_FAILED;
    }

private:
    CommandContext& context_;
    std::unique_ptr<ArchiveDatabase> archive_;
};

// The server has no summaries of its own: its rows go through the core's.
class ServerSource : public SummarySource {
public:
    ServerSource(CommandContext& context, const ArchiveOptions& options,
                 std::unique_ptr<PgConnection> server)
        : context_(context), options_(options), server_(std::move(server)) {}

    std::string Holder() const override {
        return "The shared archive on " + ParseArchiveServer(options_.server)->Name();
    }

    Result<std::vector<std::string>> Stations() override { return ReadStations(*server_); }

    Result<std::optional<std::pair<int64_t, int64_t>>> ArchivedTimes(
        const std::string& station, const std::vector<int>& channels) override {
        ArchiveQuery query;
        query.station = station;
        query.channels = channels;
        return ReadTimeRange(*server_, query);
    }

    Result<std::vector<DaySummary>> Days(const DayQuery& query) override {
        return SummarizeDays(Rows(), query);
    }

    Result<std::vector<ChannelRecords>> Records(const std::string& station,
                                                const std::vector<int>& channels) override {
        return ReadRecords(Rows(), station, channels);
    }

    int Failed(const std::string& error) override {
        return SharedArchiveFailed(context_, options_, error);
    }

private:
    ArchiveRowReader Rows() {
        return [this](const ArchiveQuery& query,
                      const std::function<bool(const ArchivedRow&)>& visit) {
            return ReadRows(*server_, query, visit);
        };
    }

    CommandContext& context_;
    const ArchiveOptions& options_;
    std::unique_ptr<PgConnection> server_;
};

}  // namespace

std::unique_ptr<SummarySource> OpenSummarySource(CommandContext& context,
                                                 const ArchiveOptions& options, int& failed) {
    if (!options.server.empty()) {
        std::unique_ptr<PgConnection> server = ConnectArchiveServer(context, options, failed);
        if (!server) return nullptr;
        return std::make_unique<ServerSource>(context, options, std::move(server));
    }
    std::unique_ptr<ArchiveDatabase> archive = OpenExistingArchive(context);
    if (!archive) {
        failed = EXIT_FAILED;
        return nullptr;
    }
    return std::make_unique<LocalSource>(context, std::move(archive));
}

}  // namespace corvalin::cli
