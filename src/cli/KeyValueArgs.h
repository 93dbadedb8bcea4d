// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace corvalin::cli {

// One KEY=VALUE word of a `set` command.
struct Assignment {
    std::string key;
    std::string value;
};

// Splits the words; refuses a word without "=", an empty key and a key given twice.
Result<std::vector<Assignment>> ParseAssignments(const std::vector<std::string>& words);

// "chN.NAME" or "areaN" / "areaN.NAME": the number and the part after the dot
// (empty without one). nullopt when the key does not start with the prefix and
// a number from 1 to `count`.
struct IndexedKey {
    int index = 0;
    std::string name;
};
std::optional<IndexedKey> SplitIndexedKey(std::string_view key, std::string_view prefix, int count);

// Readers of one value; every error names the key and what it accepts.

// The index of the entry the value names (letter case aside).
Result<int> ChoiceValue(const Assignment& assignment, std::span<const char* const> entries);
Result<bool> YesNoValue(const Assignment& assignment);
// A whole number from `min` to `max`.
Result<int> IntegerValue(const Assignment& assignment, int min, int max);
// A decimal number ("-12.5") or, with `dashesAllowed`, "--"; kept as typed.
Result<std::string> DecimalText(const Assignment& assignment, bool dashesAllowed,
                                const std::string& accepted);
// A whole number ("-3") or, with `dashesAllowed`, "--"; kept as typed.
Result<std::string> IntegerText(const Assignment& assignment, bool dashesAllowed,
                                const std::string& accepted);
// "1,3,8" (channels 1 to 8) or "none".
Result<std::vector<int>> ChannelListValue(const Assignment& assignment);
// A 32-bit word in hex, with or without "0x".
Result<uint32_t> HexWordValue(const Assignment& assignment);

// "a, b, c".
std::string JoinedEntries(std::span<const char* const> entries);
// "1,3,8", or "none" for no channel.
std::string ChannelListText(const std::vector<int>& channels);

}  // namespace corvalin::cli
