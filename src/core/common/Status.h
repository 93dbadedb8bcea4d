// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace corvalin {

// Outcome of a core operation: callers show the message their own way
// (message box in the window, stderr in the command-line tool).
struct Status {
    bool ok = true;
    std::string message;

    static Status Ok() { return {}; }
    static Status Error(std::string text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

template <class T>
struct Result {
    std::optional<T> value;
    std::string error;

    static Result Of(T v) { return {std::move(v), {}}; }
    static Result Fail(std::string text) { return {std::nullopt, std::move(text)}; }
    explicit operator bool() const { return value.has_value(); }
    const T& operator*() const { return *value; }
    const T* operator->() const { return &*value; }
};

}  // namespace corvalin
