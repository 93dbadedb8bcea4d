// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// What a log file's name and header line tell the import.

// Indoor logs carry "IN" (upper case) in their name; all others are channel
// logs.
bool IsIndoorFileName(std::string_view fileName);

// The unit text of the header's second field, in UTF-8: from its first "("
// to its end (the whole field when it has no "("), with "C" and "F" made
// "°C" and "°F". "Time,Temperature(F),..." gives "(°F)"; an empty header "".
std::string UnitTextFromHeader(std::string_view header);

// One column of the data table: its title and width in pixels.
struct HistoryColumn {
    std::string title;
    int width = 0;
};

// The data table's columns before the first import.
std::vector<HistoryColumn> InitialHistoryColumns();
// The columns after importing an indoor (3) or channel (5) file.
std::vector<HistoryColumn> ImportedHistoryColumns(bool indoorFile, const std::string& unitText);

}  // namespace corvalin
