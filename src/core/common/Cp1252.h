// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace corvalin {

// Text from the station (log files, names) is Windows-1252; everything the
// program shows is UTF-8. Bytes that code page leaves undefined keep their
// value as a code point, as Windows converts them.
std::string Cp1252ToUtf8(std::string_view text);

}  // namespace corvalin
