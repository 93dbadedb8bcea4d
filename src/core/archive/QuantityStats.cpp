// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/QuantityStats.h"

namespace corvalin {

void Extremes::Add(double value, int64_t time) { Merge({true, value, time, value, time}); }

void Extremes::Merge(const Extremes& other) {
    if (!other.any) return;
    if (!any) {
        *this = other;
        return;
    }
    if (other.lowest < lowest || (other.lowest == lowest && other.lowestTime < lowestTime)) {
        lowest = other.lowest;
        lowestTime = other.lowestTime;
    }
    if (other.highest > highest || (other.highest == highest && other.highestTime < highestTime)) {
        highest = other.highest;
        highestTime = other.highestTime;
    }
}

void QuantityStats::Add(double value, int64_t time) {
    extremes.Add(value, time);
    ++count;
    sum += value;
}

void QuantityStats::Merge(const QuantityStats& other) {
    extremes.Merge(other.extremes);
    count += other.count;
    sum += other.sum;
}

std::optional<double> QuantityStats::Mean() const {
    if (count == 0) return std::nullopt;
    return sum / static_cast<double>(count);
}

}  // namespace corvalin
