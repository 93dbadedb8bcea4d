// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "archive/ArchiveDatabase.h"
#include "publish/ApiParameters.h"
#include "publish/ServiceState.h"

namespace corvalin {

// An answer of the API: its HTTP status and its JSON body.
struct ApiAnswer {
    int status = 200;
    std::string body;
};

// The logger's JSON API (/api/v1/...): the current readings from the
// logger's state, and the series, days and records from the archive, which
// it only reads. Keys in camelCase, times ISO 8601 with the computer's
// offset, null for no value; a bad parameter gets 400 and an unknown name
// 404, each with {"error": "…"}. One thread of use.
class DashboardApi {
public:
    // `now` gives the time (UTC seconds) against which a reading is fresh.
    DashboardApi(const ServiceStateHolder& state, std::string archivePath,
                 std::function<int64_t()> now);
    ~DashboardApi();
    DashboardApi(const DashboardApi&) = delete;
    DashboardApi& operator=(const DashboardApi&) = delete;

    // `name` is what follows /api/v1/ ("current", "series", "days", "records").
    ApiAnswer Answer(std::string_view name, const QueryParameters& query);

private:
    ApiAnswer Current(const QueryParameters& query);
    ApiAnswer Series(const QueryParameters& query);
    ApiAnswer Days(const QueryParameters& query);
    ApiAnswer Records(const QueryParameters& query);
    // The archive, opened read-only when first needed; nothing, with the
    // reason in `failure`, where it cannot be read.
    ArchiveDatabase* Archive(std::string& failure);

    const ServiceStateHolder& state_;
    std::string archivePath_;
    std::function<int64_t()> now_;
    std::unique_ptr<ArchiveDatabase> archive_;
};

// {"error": "…"} with the status.
ApiAnswer ApiError(int status, const std::string& message);

}  // namespace corvalin
