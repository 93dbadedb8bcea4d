// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace corvalin {

// Text at the program's edges: everything shown or written out is UTF-8.

// True when `bytes` is well-formed UTF-8.
bool IsUtf8(std::string_view bytes);
// `bytes` as UTF-8: kept when it already is, else read as Windows-1252 (the
// station's code page, and what older files carry).
std::string AsUtf8(std::string_view bytes);
// UTF-8 text fit for a terminal: control characters (C0, DEL and C1) are
// written as \xNN or \uNNNN, so that a name cannot move the cursor or
// change colours.
std::string Printable(std::string_view utf8);
// The characters of UTF-8 text (what a column of a table must make room for).
size_t CharacterCount(std::string_view utf8);

}  // namespace corvalin
