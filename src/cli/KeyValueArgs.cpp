// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyValueArgs.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "common/Readings.h"

namespace corvalin::cli {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string Refusal(const Assignment& assignment, const std::string& accepted) {
    return assignment.key + ": \"" + assignment.value +
           "\" is not accepted (accepted: " + accepted + ")";
}

// An optional sign, then digits only.
bool IsWholeNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// An optional sign, digits with an optional fraction, at least one digit.
bool IsDecimalNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    return (!whole.empty() || !fraction.empty()) &&
           std::all_of(whole.begin(), whole.end(), IsDigit) &&
           std::all_of(fraction.begin(), fraction.end(), IsDigit);
}

}  // namespace

Result<std::vector<Assignment>> ParseAssignments(const std::vector<std::string>& words) {
    std::vector<Assignment> assignments;
    std::set<std::string> seen;
    for (const std::string& word : words) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) {
            return Result<std::vector<Assignment>>::Fail("\"" + word +
                                                         "\" is not of the form KEY=VALUE");
        }
        Assignment assignment{word.substr(0, equals), word.substr(equals + 1)};
        if (!seen.insert(assignment.key).second) {
            return Result<std::vector<Assignment>>::Fail(assignment.key + ": given more than once");
        }
        assignments.push_back(std::move(assignment));
    }
    return Result<std::vector<Assignment>>::Of(std::move(assignments));
}

std::optional<IndexedKey> SplitIndexedKey(std::string_view key, std::string_view prefix,
                                          int count) {
    if (!key.starts_with(prefix)) return std::nullopt;
    key.remove_prefix(prefix.size());
    const size_t dot = key.find('.');
    const std::string_view number = key.substr(0, dot);
    int index = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
    if (error != std::errc{} || end != number.data() + number.size() || number.size() != 1 ||
        index < 1 || index > count) {
        return std::nullopt;
    }
    IndexedKey indexed;
    indexed.index = index;
    if (dot != std::string_view::npos) indexed.name = std::string(key.substr(dot + 1));
    return indexed;
}

Result<int> ChoiceValue(const Assignment& assignment, std::span<const char* const> entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (EqualIgnoringCase(assignment.value, entries[i])) {
            return Result<int>::Of(static_cast<int>(i));
        }
    }
    return Result<int>::Fail(Refusal(assignment, JoinedEntries(entries)));
}

Result<bool> YesNoValue(const Assignment& assignment) {
    static constexpr const char* entries[] = {"no", "yes"};
    Result<int> choice = ChoiceValue(assignment, entries);
    if (!choice) return Result<bool>::Fail(choice.error);
    return Result<bool>::Of(*choice == 1);
}

Result<int> IntegerValue(const Assignment& assignment, int min, int max) {
    const std::string accepted =
        "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    std::string_view text = assignment.value;
    if (!IsWholeNumber(text)) return Result<int>::Fail(Refusal(assignment, accepted));
    if (text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || value < min || value > max) {
        return Result<int>::Fail(Refusal(assignment, accepted));
    }
    return Result<int>::Of(value);
}

Result<std::string> DecimalText(const Assignment& assignment, bool dashesAllowed,
                                const std::string& accepted) {
    if ((dashesAllowed && assignment.value == "--") || IsDecimalNumber(assignment.value)) {
        return Result<std::string>::Of(assignment.value);
    }
    return Result<std::string>::Fail(Refusal(assignment, accepted));
}

Result<std::string> IntegerText(const Assignment& assignment, bool dashesAllowed,
                                const std::string& accepted) {
    if ((dashesAllowed && assignment.value == "--") || IsWholeNumber(assignment.value)) {
        return Result<std::string>::Of(assignment.value);
    }
    return Result<std::string>::Fail(Refusal(assignment, accepted));
}

Result<std::vector<int>> ChannelListValue(const Assignment& assignment) {
    const std::string accepted = "channel numbers 1 to 8 separated by commas, or none";
    std::vector<int> channels;
    if (EqualIgnoringCase(assignment.value, "none")) return Result<std::vector<int>>::Of(channels);
    std::string_view rest = assignment.value;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        if (item.size() != 1 || item[0] < '1' || item[0] > '0' + CHANNEL_COUNT) {
            return Result<std::vector<int>>::Fail(Refusal(assignment, accepted));
        }
        channels.push_back(item[0] - '0');
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return Result<std::vector<int>>::Of(channels);
}

Result<uint32_t> HexWordValue(const Assignment& assignment) {
    std::string_view text = assignment.value;
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    uint32_t word = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), word, 16);
    if (text.empty() || text.size() > 8 || error != std::errc{} ||
        end != text.data() + text.size()) {
        return Result<uint32_t>::Fail(
            Refusal(assignment, "a 32-bit mask word in hex, such as 0x000001FF"));
    }
    return Result<uint32_t>::Of(word);
}

std::string JoinedEntries(std::span<const char* const> entries) {
    std::string text;
    for (const char* entry : entries) {
        if (!text.empty()) text += ", ";
        text += entry;
    }
    return text;
}

std::string ChannelListText(const std::vector<int>& channels) {
    if (channels.empty()) return "none";
    std::string text;
    for (int channel : channels) {
        if (!text.empty()) text += ",";
        text += std::to_string(channel);
    }
    return text;
}

}  // namespace corvalin::cli
