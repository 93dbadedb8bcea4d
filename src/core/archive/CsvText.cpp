// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/CsvText.h"

#include "common/NumberText.h"

namespace corvalin {

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
    return value ? ShortestText(*value) : "";
}

}  // namespace corvalin
