// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoredValue.h"

#include <array>
#include <charconv>
#include <cmath>

namespace corvalin {

namespace {

// Text that SQLite holds in a number column; never locale-dependent.
template <class Number>
Number NumberFromText(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && *begin == ' ') ++begin;
    if (begin < end && *begin == '+') ++begin;
    Number number{};
    std::from_chars(begin, end, number);
    return number;
}

}  // namespace

double StoredValue::ToDouble() const {
    if (const auto* number = std::get_if<int64_t>(&value_)) return static_cast<double>(*number);
    if (const auto* number = std::get_if<double>(&value_)) return *number;
    if (const auto* text = std::get_if<std::string>(&value_)) return NumberFromText<double>(*text);
    return 0.0;
}

int64_t StoredValue::ToInteger() const {
    if (const auto* number = std::get_if<int64_t>(&value_)) return *number;
    if (const auto* number = std::get_if<double>(&value_)) {
        return std::isfinite(*number) ? static_cast<int64_t>(*number) : 0;
    }
    if (const auto* text = std::get_if<std::string>(&value_)) return NumberFromText<int64_t>(*text);
    return 0;
}

std::string StoredValue::ToText() const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    std::array<char, 32> buffer{};
    std::to_chars_result written{buffer.data(), {}};
    if (const auto* number = std::get_if<int64_t>(&value_)) {
        written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *number);
    } else if (const auto* number = std::get_if<double>(&value_)) {
        written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *number);
    }
    return std::string(buffer.data(), written.ptr);
}

}  // namespace corvalin
