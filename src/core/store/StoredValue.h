// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace corvalin {

// One value read from the record database, with the type SQLite gave it.
class StoredValue {
public:
    using Storage = std::variant<std::monostate, int64_t, double, std::string>;

    StoredValue() = default;
    explicit StoredValue(Storage value) : value_(std::move(value)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsText() const { return std::holds_alternative<std::string>(value_); }
    // Numbers as they are; text read as a number (0 when it is none); null is 0.
    double ToDouble() const;
    int64_t ToInteger() const;
    // The graph reads every value as a 32-bit float.
    float ToFloat() const { return static_cast<float>(ToDouble()); }
    // Text as it is; numbers in their shortest exact form; null is empty.
    std::string ToText() const;

    const Storage& storage() const { return value_; }
    bool operator==(const StoredValue&) const = default;

private:
    Storage value_;
};

}  // namespace corvalin
