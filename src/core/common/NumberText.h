// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalin {

// The one lenient reader of numbers typed by users and written in log files:
// leading blanks, an optional sign and the digits that follow; anything after
// them is ignored. No digits read as 0.

// Whether there are digits to read at all (after blanks and a sign, a digit,
// or a point and a digit).
bool StartsWithNumber(std::string_view text);
// Values beyond the 32-bit range saturate.
int32_t ReadLeadingInteger(std::string_view text);
// Digits with an optional fraction and exponent, read without the locale. A
// value too large for a double reads as infinity (with its sign), one too
// small as 0.
double ReadLeadingNumber(std::string_view text);

// The strict reader of numbers in options and rules: the whole text is one
// finite number in fixed notation (an optional sign, digits, an optional
// fraction); anything else gives none.
std::optional<double> ReadExactNumber(std::string_view text);

// The one way numbers are written for other programs (exports, pages,
// payloads): the shortest text that reads back as the same double; "NaN",
// "+Inf" and "-Inf" for the others.
std::string ShortestText(double value);
// A percentage as a ratio, by moving the decimal point of its shortest text:
// 57 % is "0.57", not 57 / 100 rounded to 0.5700000000000001.
std::string PercentAsRatioText(double percent);

}  // namespace corvalin
