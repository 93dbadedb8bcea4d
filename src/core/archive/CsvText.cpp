// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/CsvText.h"

#include <charconv>

namespace corvalin {

std::string ShortestNumber(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvValue(const std::optional<double>& value) {
    return value ? ShortestNumber(*value) : "";
}

}  // namespace corvalin
