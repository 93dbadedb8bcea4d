// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace corvalin::cli {

// JSON as the tool prints it. Text reaches JSON as UTF-8; should a byte that
// is not slip through, it is replaced rather than ending the program.
template <class Json>
std::string JsonText(const Json& value, int indent = 2) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace corvalin::cli
