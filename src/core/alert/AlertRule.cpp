// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert/AlertRule.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "common/NumberText.h"
#include "common/Readings.h"

namespace corvalin {

namespace {

constexpr int64_t LONGEST_DURATION = 365 * 86400;
// A firing rule without "clear" clears this far inside its limit.
constexpr double TEMPERATURE_MARGIN = 0.5;
constexpr double HUMIDITY_MARGIN = 2.0;

struct QuantityRange {
    AlertQuantity quantity;
    const char* name;
    double lowest;
    double highest;
    const char* unit;
};

constexpr QuantityRange QUANTITIES[] = {
    {AlertQuantity::Temperature, "temperature", -100, 100, "°C"},
    {AlertQuantity::Humidity, "humidity", 0, 100, "%"},
    {AlertQuantity::DewPoint, "dewPoint", -100, 100, "°C"},
    {AlertQuantity::HeatIndex, "heatIndex", -100, 100, "°C"},
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    return quoted;
}

std::string NumberText(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        const size_t start = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at > start) words.push_back(text.substr(start, at - start));
    }
    return words;
}

// Reads the words of one rule; the first fault wins and names its word.
class RuleReader {
public:
    explicit RuleReader(std::string_view text) : text_(text), words_(Words(text)) {}

    Result<AlertRule> Read() {
        if (words_.empty()) return Result<AlertRule>::Fail("An alert rule is empty.");
        const std::string first = Lower(words_[0]);
        next_ = 1;
        if (first == "station-alarms") {
            rule_.kind = AlertKind::StationAlarms;
        } else if (first == "station") {
            Keyword("lost");
            rule_.kind = AlertKind::StationLost;
            Duration(rule_.seconds);
        } else if (first == "archive") {
            Keyword("stalled");
            rule_.kind = AlertKind::ArchiveStalled;
            Duration(rule_.seconds);
        } else if (first.rfind("ch", 0) == 0) {
            ChannelRule(first);
        } else {
            Fault(words_[0],
                  "is not a rule (expected chN.QUANTITY above|below VALUE, chN silent, "
                  "station lost, archive stalled or station-alarms)");
        }
        if (!error_ && next_ < words_.size()) Fault(words_[next_], "is not expected here");
        if (error_) return Result<AlertRule>::Fail(*error_);
        rule_.text = CanonicalText();
        return Result<AlertRule>::Of(rule_);
    }

private:
    void Fault(std::string_view word, const std::string& why) {
        if (!error_)
            error_ = "Bad alert rule " + Quoted(text_) + ": " + Quoted(word) + " " + why + ".";
    }
    void Missing(const std::string& what) {
        if (!error_) {
            error_ = "Bad alert rule " + Quoted(text_) + ": " + what + " is missing after " +
                     Quoted(words_[next_ - 1]) + ".";
        }
    }
    std::optional<std::string_view> Take(const std::string& what) {
        if (error_) return std::nullopt;
        if (next_ >= words_.size()) {
            Missing(what);
            return std::nullopt;
        }
        return words_[next_++];
    }
    void Keyword(const char* expected) {
        const auto word = Take(Quoted(expected));
        if (word && Lower(*word) != expected) Fault(*word, "is not " + Quoted(expected));
    }
    void Duration(int64_t& seconds) {
        const auto word = Take("a duration");
        if (!word) return;
        const std::string_view digits = word->substr(0, word->size() - (word->empty() ? 0 : 1));
        const char unit = word->empty() ? '\0' : static_cast<char>(std::tolower(word->back()));
        const int64_t scale = unit == 's' ? 1 : unit == 'm' ? 60 : unit == 'h' ? 3600 : 0;
        int64_t count = -1;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
        if (scale == 0 || digits.empty() || ec != std::errc() ||
            end != digits.data() + digits.size() || count < 0 || count > LONGEST_DURATION / scale) {
            Fault(*word,
                  "is not a duration (a whole number with s, m or h, e.g. 90s, 10m, 2h; "
                  "at most a year)");
            return;
        }
        seconds = count * scale;
    }
    std::optional<double> Value(const QuantityRange& range) {
        const auto word = Take("a value");
        if (!word) return std::nullopt;
        const std::optional<double> value = ReadExactNumber(*word);
        if (!value || *value < range.lowest || *value > range.highest) {
            Fault(*word, "is not a number from " + NumberText(range.lowest) + " to " +
                             NumberText(range.highest) + " (" + range.unit + ")");
            return std::nullopt;
        }
        return value;
    }

    void ChannelRule(const std::string& first) {
        const size_t dot = first.find('.');
        const std::string channelText = first.substr(0, dot);
        const int channel = channelText.size() == 3 ? channelText[2] - '0' : 0;
        if (channel < 1 || channel > CHANNEL_COUNT) {
            Fault(words_[0].substr(0, dot), "is not a channel (ch1 to ch8)");
            return;
        }
        rule_.channel = channel;
        if (dot == std::string::npos) {
            Keyword("silent");
            rule_.kind = AlertKind::Silent;
            Duration(rule_.seconds);
            return;
        }
        const std::string quantityText = first.substr(dot + 1);
        const QuantityRange* range = nullptr;
        for (const QuantityRange& candidate : QUANTITIES) {
            if (Lower(candidate.name) == quantityText) range = &candidate;
        }
        if (range == nullptr) {
            Fault(words_[0].substr(dot + 1),
                  "is not a quantity (temperature, humidity, dewPoint or heatIndex)");
            return;
        }
        rule_.quantity = range->quantity;
        Comparison(*range);
    }

    void Comparison(const QuantityRange& range) {
        const auto word = Take("\"above\" or \"below\"");
        if (!word) return;
        const std::string comparison = Lower(*word);
        if (comparison != "above" && comparison != "below") {
            Fault(*word, "is not \"above\" or \"below\"");
            return;
        }
        rule_.kind = comparison == "above" ? AlertKind::Above : AlertKind::Below;
        const std::optional<double> limit = Value(range);
        if (!limit) return;
        rule_.limit = *limit;
        const double margin =
            range.quantity == AlertQuantity::Humidity ? HUMIDITY_MARGIN : TEMPERATURE_MARGIN;
        rule_.clear = rule_.kind == AlertKind::Above ? *limit - margin : *limit + margin;
        Options(range);
    }

    // "for DURATION" and "clear VALUE", each at most once, in either order.
    void Options(const QuantityRange& range) {
        bool forGiven = false;
        while (!error_ && next_ < words_.size()) {
            const std::string_view word = words_[next_];
            const std::string option = Lower(word);
            if ((option == "for" && forGiven) || (option == "clear" && clearGiven_)) {
                Fault(word, "is given twice");
                return;
            }
            ++next_;
            if (option == "for") {
                forGiven = true;
                Duration(rule_.seconds);
            } else if (option == "clear") {
                clearGiven_ = true;
                ClearValue(range);
            } else {
                --next_;
                Fault(word,
                      "is not expected here (\"for DURATION\" or \"clear VALUE\" may follow)");
            }
        }
    }

    void ClearValue(const QuantityRange& range) {
        const size_t at = next_;
        const std::optional<double> clear = Value(range);
        if (!clear) return;
        const bool inside =
            rule_.kind == AlertKind::Above ? *clear <= rule_.limit : *clear >= rule_.limit;
        if (!inside) {
            Fault(words_[at], std::string("is not inside the limit (a rule ") +
                                  (rule_.kind == AlertKind::Above ? "above" : "below") +
                                  " clears at or " +
                                  (rule_.kind == AlertKind::Above ? "below" : "above") + " it)");
            return;
        }
        rule_.clear = *clear;
    }

    std::string CanonicalText() const {
        switch (rule_.kind) {
            case AlertKind::StationAlarms:
                return "station-alarms";
            case AlertKind::StationLost:
                return "station lost " + DurationText(rule_.seconds);
            case AlertKind::ArchiveStalled:
                return "archive stalled " + DurationText(rule_.seconds);
            case AlertKind::Silent:
                return "ch" + std::to_string(rule_.channel) + " silent " +
                       DurationText(rule_.seconds);
            case AlertKind::Above:
            case AlertKind::Below:
                break;
        }
        std::string text =
            "ch" + std::to_string(rule_.channel) + "." + QuantityName(rule_.quantity) +
            (rule_.kind == AlertKind::Above ? " above " : " below ") + NumberText(rule_.limit);
        if (rule_.seconds > 0) text += " for " + DurationText(rule_.seconds);
        if (clearGiven_) text += " clear " + NumberText(rule_.clear);
        return text;
    }

    std::string_view text_;
    std::vector<std::string_view> words_;
    size_t next_ = 0;
    AlertRule rule_;
    bool clearGiven_ = false;
    std::optional<std::string> error_;
};

}  // namespace

Result<AlertRule> ParseAlertRule(std::string_view text) { return RuleReader(text).Read(); }

Result<std::vector<AlertRule>> ParseAlertRules(const std::vector<std::string>& texts) {
    std::vector<AlertRule> rules;
    for (const std::string& text : texts) {
        Result<AlertRule> rule = ParseAlertRule(text);
        if (!rule) return Result<std::vector<AlertRule>>::Fail(rule.error);
        // The same rule twice is one rule.
        if (std::none_of(rules.begin(), rules.end(),
                         [&](const AlertRule& known) { return known.text == rule->text; })) {
            rules.push_back(*rule);
        }
    }
    return Result<std::vector<AlertRule>>::Of(std::move(rules));
}

const char* QuantityName(AlertQuantity quantity) {
    for (const QuantityRange& range : QUANTITIES) {
        if (range.quantity == quantity) return range.name;
    }
    return "temperature";
}

std::string DurationText(int64_t seconds) {
    if (seconds > 0 && seconds % 3600 == 0) return std::to_string(seconds / 3600) + "h";
    if (seconds > 0 && seconds % 60 == 0) return std::to_string(seconds / 60) + "m";
    return std::to_string(seconds) + "s";
}

std::string RuleId(const AlertRule& rule) {
    std::string id;
    const std::string& text = rule.text;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c)) {
            id += static_cast<char>(std::tolower(c));
        } else if (c == '-' && i + 1 < text.size() &&
                   std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
            id += 'm';  // a minus: "below -5" is not "below 5"
        } else if (id.empty() || id.back() != '_') {
            id += '_';
        }
    }
    return id;
}

}  // namespace corvalin
