// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace corvalin {

// A field of RFC 4180 CSV: quoted where it holds a comma, quote or line end.
std::string CsvCell(const std::string& text);
// A value's cell: its shortest text, empty for no value.
std::string CsvValue(const std::optional<double>& value);

}  // namespace corvalin
