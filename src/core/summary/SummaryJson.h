// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "archive/ArchiveSummaries.h"
#include "summary/DaySummaries.h"
#include "summary/ValueSeries.h"

namespace corvalin {

// The summaries as the logger's page and corvalin-cli print them: keys in
// camelCase, times ISO 8601 with the computer's offset, null for no value,
// means to two decimals. CSV has the units in its header and an empty cell
// for no value.

// {"station", "days": [{"date", "channel", "temperature": {"min", "minTime",
// "max", "maxTime", "mean"}, "humidity": {…}}]}
nlohmann::ordered_json DaysJson(const std::string& station, const std::vector<DaySummary>& days);
void WriteDaysCsv(std::ostream& out, const std::string& station,
                  const std::vector<DaySummary>& days);

// {"station", "records": [{"channel", "<quantity>": {"highest", "highestTime",
// "lowest", "lowestTime"}, …}]}
nlohmann::ordered_json RecordsJson(const std::string& station,
                                   const std::vector<ChannelRecords>& records);
void WriteRecordsCsv(std::ostream& out, const std::string& station,
                     const std::vector<ChannelRecords>& records);

// {"channel", "quantity", "bucketSeconds", "rows": [{"time", "min", "max", "mean"}]}
nlohmann::ordered_json SeriesJson(int channel, Quantity quantity, const ValueSeries& series);

// Every quantity's lowest (or highest) of a day with its time:
// {"temperature": 18.2, "temperatureTime": "…", "humidity": …}.
nlohmann::ordered_json DayExtremesJson(const DaySummary* day, bool highest);

}  // namespace corvalin
