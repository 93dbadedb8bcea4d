// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ImportHeader.h"

#include "common/Cp1252.h"

namespace corvalin {

namespace {

constexpr int TIME_WIDTH = 150;
constexpr int VALUE_WIDTH = 100;

// The header's text between the first and the second comma.
std::string_view SecondField(std::string_view header) {
    const size_t first = header.find(',');
    if (first == std::string_view::npos) return {};
    const std::string_view rest = header.substr(first + 1);
    return rest.substr(0, rest.find(','));
}

}  // namespace

bool IsIndoorFileName(std::string_view fileName) {
    return fileName.find("IN") != std::string_view::npos;
}

std::string UnitTextFromHeader(std::string_view header) {
    std::string_view field = SecondField(header);
    const size_t parenthesis = field.find('(');
    if (parenthesis != std::string_view::npos) field.remove_prefix(parenthesis);
    // Done in one pass, which is what replacing every "C" and then every "F"
    // gives: the inserted "°" is neither letter.
    std::string unit;
    for (char c : Cp1252ToUtf8(field)) {
        // A header that carries its own degree sign keeps just that one.
        if ((c == 'C' || c == 'F') && !unit.ends_with("\xC2\xB0")) unit += "\xC2\xB0";
        unit += c;
    }
    return unit;
}

std::vector<HistoryColumn> InitialHistoryColumns() {
    return {{"Time", TIME_WIDTH},
            {"Temperature", VALUE_WIDTH},
            {"Humidity", VALUE_WIDTH},
            {"Dewpoint", VALUE_WIDTH},
            {"HeatIndex", VALUE_WIDTH}};
}

std::vector<HistoryColumn> ImportedHistoryColumns(bool indoorFile, const std::string& unitText) {
    std::vector<HistoryColumn> columns = {{"Time", TIME_WIDTH},
                                          {"Temperature" + unitText, VALUE_WIDTH},
                                          {"Humidity(%)", VALUE_WIDTH}};
    if (!indoorFile) {
        columns.push_back({"Dewpoint" + unitText, VALUE_WIDTH});
        columns.push_back({"Heatindex" + unitText, VALUE_WIDTH});
    }
    return columns;
}

}  // namespace corvalin
