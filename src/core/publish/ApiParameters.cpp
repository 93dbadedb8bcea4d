// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/ApiParameters.h"

#include <algorithm>
#include <cstring>

#include "common/Readings.h"
#include "common/Text.h"
#include "common/ZonedTime.h"

namespace corvalin {

namespace {

// A value as a message shows it: printable, and not too long to read.
std::string Shown(std::string_view value) {
    constexpr size_t LONGEST = 40;
    std::string shown = Printable(AsUtf8(value.substr(0, LONGEST)));
    if (value.size() > LONGEST) shown += "…";
    return "\"" + shown + "\"";
}

template <class T>
Result<std::optional<T>> Bad(const char* name, const std::string& value, const char* wanted) {
    return Result<std::optional<T>>::Fail(std::string(name) + ": " + Shown(value) + " is not " +
                                          wanted);
}

template <class T>
Result<std::optional<T>> None() {
    return Result<std::optional<T>>::Of(std::nullopt);
}

}  // namespace

std::string MissingParameter(const char* name) { return std::string("Missing parameter: ") + name; }

Result<ApiParameters> ApiParameters::Read(const QueryParameters& query,
                                          std::initializer_list<const char*> known) {
    ApiParameters parameters;
    for (const auto& [name, value] : query) {
        const bool isKnown =
            std::any_of(known.begin(), known.end(), [&](const char* each) { return name == each; });
        if (!isKnown) return Result<ApiParameters>::Fail("Unknown parameter: " + Shown(name));
        if (parameters.Find(name.c_str())) {
            return Result<ApiParameters>::Fail("Parameter given twice: " + name);
        }
        parameters.values_.emplace_back(name, value);
    }
    return Result<ApiParameters>::Of(std::move(parameters));
}

const std::string* ApiParameters::Find(const char* name) const {
    for (const auto& [key, value] : values_) {
        if (key == name) return &value;
    }
    return nullptr;
}

bool ApiParameters::Has(const char* name) const { return Find(name) != nullptr; }

Result<std::optional<int64_t>> ApiParameters::Count(const char* name, int64_t lowest,
                                                    int64_t highest) const {
    const std::string* value = Find(name);
    if (!value) return None<int64_t>();
    const std::string wanted =
        "a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
    if (value->empty() || value->size() > 9 ||
        value->find_first_not_of("0123456789") != std::string::npos) {
        return Bad<int64_t>(name, *value, wanted.c_str());
    }
    const int64_t number = std::stoll(*value);
    if (number < lowest || number > highest) return Bad<int64_t>(name, *value, wanted.c_str());
    return Result<std::optional<int64_t>>::Of(number);
}

Result<std::optional<int>> ApiParameters::Channel(const char* name) const {
    const std::string* value = Find(name);
    if (!value) return None<int>();
    if (value->size() != 1 || (*value)[0] < '1' || (*value)[0] > '0' + CHANNEL_COUNT) {
        return Bad<int>(name, *value, "a channel from 1 to 8");
    }
    return Result<std::optional<int>>::Of((*value)[0] - '0');
}

Result<std::optional<Quantity>> ApiParameters::QuantityOf(const char* name) const {
    const std::string* value = Find(name);
    if (!value) return None<Quantity>();
    const std::optional<Quantity> quantity = ParseQuantity(*value);
    if (!quantity) {
        return Bad<Quantity>(name, *value,
                             "temperature, humidity, dewPoint, heatIndex, absoluteHumidity or "
                             "frostPoint");
    }
    return Result<std::optional<Quantity>>::Of(*quantity);
}

Result<std::optional<int64_t>> ApiParameters::Instant(const char* name) const {
    const std::string* value = Find(name);
    if (!value) return None<int64_t>();
    const Result<int64_t> instant = ParseTimeArgument(*value);
    if (!instant) {
        return Bad<int64_t>(name, *value,
                            "a time: give YYYY-MM-DD or YYYY-MM-DDThh:mm[:ss] with Z or an offset");
    }
    return Result<std::optional<int64_t>>::Of(*instant);
}

Result<std::optional<CivilTime>> ApiParameters::Date(const char* name) const {
    const std::string* value = Find(name);
    if (!value) return None<CivilTime>();
    const std::optional<CivilTime> date = ParseCivilDate(*value);
    if (!date) return Bad<CivilTime>(name, *value, "a date YYYY-MM-DD");
    return Result<std::optional<CivilTime>>::Of(*date);
}

}  // namespace corvalin
