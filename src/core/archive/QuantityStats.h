// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace corvalin {

// The lowest and highest value of a span with their times; where a value
// comes again, its first time counts.
struct Extremes {
    bool any = false;
    double lowest = 0;
    int64_t lowestTime = 0;
    double highest = 0;
    int64_t highestTime = 0;

    void Add(double value, int64_t time);
    void Merge(const Extremes& other);
    bool operator==(const Extremes&) const = default;
};

// The same with how many values there were and their sum, for the mean.
struct QuantityStats {
    Extremes extremes;
    int64_t count = 0;
    double sum = 0;

    void Add(double value, int64_t time);
    void Merge(const QuantityStats& other);
    std::optional<double> Mean() const;
    bool operator==(const QuantityStats&) const = default;
};

}  // namespace corvalin
