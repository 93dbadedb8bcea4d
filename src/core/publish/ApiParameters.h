// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/Quantity.h"
#include "common/CivilTime.h"
#include "common/Status.h"

namespace corvalin {

using QueryParameters = std::vector<std::pair<std::string, std::string>>;

// The parameters of one API request. Only the names it knows, each once:
// a mistyped or doubled one is refused rather than quietly ignored. Every
// failure names the parameter.
class ApiParameters {
public:
    static Result<ApiParameters> Read(const QueryParameters& query,
                                      std::initializer_list<const char*> known);

    bool Has(const char* name) const;
    // A channel from 1 to 8.
    Result<std::optional<int>> Channel(const char* name) const;
    Result<std::optional<Quantity>> QuantityOf(const char* name) const;
    // An instant: YYYY-MM-DD (the computer's midnight), YYYY-MM-DDThh:mm[:ss]
    // with or without Z or an offset.
    Result<std::optional<int64_t>> Instant(const char* name) const;
    // A local calendar date, YYYY-MM-DD.
    Result<std::optional<CivilTime>> Date(const char* name) const;
    // A whole number from `lowest` to `highest`, digits only.
    Result<std::optional<int64_t>> Count(const char* name, int64_t lowest, int64_t highest) const;

private:
    const std::string* Find(const char* name) const;

    QueryParameters values_;
};

// "Missing parameter: NAME".
std::string MissingParameter(const char* name);

}  // namespace corvalin
