// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/OleDate.h"

namespace corvalin {

// The ends of a range query as the graph writes them:
// "%d-%02d-%02d %d:%02d:%02d" (year and hour without leading zeros).
std::string RangeText(const CivilTime& time);

// A range end given as RangeText or in the stored form; none when the text
// is not a valid time.
std::optional<CivilTime> ParseRangeText(std::string_view text);

// The stored form ("YYYY-MM-DD HH:MM:SS") of a range end given as RangeText
// or in the stored form itself; none when the text is not a valid time.
// Range ends are compared in the stored form, where "9:00" sorts correctly
// before "10:00".
std::optional<std::string> StoredTimeFromRangeText(std::string_view text);

}  // namespace corvalin
